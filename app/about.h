#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class about;
}

// The About window: a short note and an OK button that hides it.
class about : public QWidget {
    Q_OBJECT

public:
    explicit about(QWidget *parent = nullptr);
    ~about() override;

    // Shows the one About window of the run, making it at the first call. It is freed when
    // the event loop ends, while the application object still exists.
    static void showInstance();
    // The one window, if it has been made.
    static about *instance();

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButton_clicked();

private:
    std::unique_ptr<Ui::about> ui;
};
