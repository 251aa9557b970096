#include "launch_paths.h"

#include "text_lines.h"

namespace quellon {

namespace {

bool endsWithSeparator(const QString& path) {
    return path.endsWith(u'/') || path.endsWith(u'\\');
}

}  // namespace

QString withTrailingSeparator(const QString& directory) {
    if (directory.isEmpty() || endsWithSeparator(directory)) return directory;
    return directory + u'/';
}

QString paramsDirectory(const QString& launcherDirectory) {
    return withTrailingSeparator(launcherDirectory) + QLatin1String(kParamsFolderName) + u'/';
}

QString parameterFilePath(const QString& paramsDirectory, const QString& function) {
    return paramsDirectory + function + QStringLiteral(".txt");
}

QString moduleDirectory(const QString& directoryText, const QString& launcherDirectory) {
    if (directoryText == QLatin1String(kThisDirectory)) {
        return withTrailingSeparator(launcherDirectory);
    }
    return withTrailingSeparator(directoryText);
}

ExecutableRule hostExecutableRule() {
#ifdef Q_OS_WIN
    return ExecutableRule::Windows;
#else
    return ExecutableRule::Posix;
#endif
}

QString moduleExecutable(const QString& moduleDirectory, const QString& moduleText,
                         const QString& function, ExecutableRule rule) {
    if (rule == ExecutableRule::Windows) {
        if (moduleText.contains(QLatin1String("exe"))) return moduleDirectory + moduleText;
        return moduleDirectory + function + QStringLiteral(".exe");
    }
    if (!moduleText.isEmpty()) return moduleDirectory + moduleText;
    return moduleDirectory + function;
}

QString callFilePath(const QString& moduleDirectory) {
    return moduleDirectory + QLatin1String(kCallFileName);
}

QByteArray callFileContent(const QString& parameterFile, const QString& function) {
    return nativePath(parameterFile).toLocal8Bit() + '\n' + function.toLocal8Bit();
}

QString directoryPart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype backslash = path.lastIndexOf(u'\\');
    const qsizetype last = slash > backslash ? slash : backslash;
    if (last < 0) return QString();
    if (last == 0) return path.left(1);  // the root itself
    return path.left(last);
}

}  // namespace quellon
