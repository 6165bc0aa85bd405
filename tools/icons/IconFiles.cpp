// lemnar-icon-files: writes the program's icon as installed for the desktop,
// from the same drawing the window uses: hicolor/scalable/apps/lemnar.svg and,
// for each size N given, hicolor/NxN/apps/lemnar.png under the directory.

#include "platform/AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

bool WriteSvg(const QString& dir) {
    if (!QDir().mkpath(dir))
        return false;
    std::ofstream out((dir + QStringLiteral("/lemnar.svg")).toStdString(), std::ios::binary);
    out << lemnar::AppIconSvg();
    return static_cast<bool>(out);
}

bool WritePng(const QString& dir, int size) {
    return QDir().mkpath(dir) &&
           lemnar::AppIconPixmap(size).save(dir + QStringLiteral("/lemnar.png"), "PNG");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lemnar-icon-files DIRECTORY [SIZE]...\n");
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor/");
    bool written = WriteSvg(root + QStringLiteral("scalable/apps"));
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "lemnar-icon-files: bad size %s\n", argv[i]);
            return 2;
        }
        const QString name = QString::number(size) + QLatin1Char('x') + QString::number(size);
        written = WritePng(root + name + QStringLiteral("/apps"), size) && written;
    }
    if (!written) {
        std::fprintf(stderr, "lemnar-icon-files: cannot write the icons into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
