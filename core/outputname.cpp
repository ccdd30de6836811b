#include "core/outputname.h"

#include <algorithm>

namespace qor {

QString decompiledPathFor(const QString &inPath)
{
    const qsizetype slash = inPath.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    const qsizetype split = std::max(slash, inPath.lastIndexOf(QLatin1Char('\\'))) + 1;
#else
    const qsizetype split = slash + 1;
#endif
    const QString folder = inPath.left(split);
    QString name = inPath.mid(split);

    const QLatin1String compiledReanim(".reanim.compiled");
    const QLatin1String compiled(".compiled");
    const QLatin1String reanim(".reanim");
    if (name.contains(compiledReanim)) {
        name.replace(compiledReanim, reanim);
    } else {
        if (name.endsWith(compiled, Qt::CaseInsensitive))
            name.chop(compiled.size());
        if (!name.endsWith(reanim, Qt::CaseInsensitive) || folder + name == inPath)
            name += reanim;
    }
    // A text named like a compiled file could replace another compiled file of the folder.
    if (name.endsWith(compiled, Qt::CaseInsensitive))
        name += reanim;
    return folder + name;
}

QString compiledPathFor(const QString &inPath)
{
    return inPath + QLatin1String(".compiled");
}

} // namespace qor
