#include "app/about.h"

#include "ui_about.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

QPointer<about> &theWindow()
{
    static QPointer<about> window;
    return window;
}

} // namespace

about::about(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::about>())
{
    ui->setupUi(this);
}

about::~about() = default;

void about::showInstance()
{
    QPointer<about> &window = theWindow();
    if (!window) {
        window = new about;
        // Owned by the run: freed as the event loop ends, before the application object goes.
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, window.data(),
                         [] { delete theWindow().data(); });
    }
    window->show();
}

about *about::instance()
{
    return theWindow().data();
}

void about::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

void about::on_pushButton_clicked()
{
    hide();
}
