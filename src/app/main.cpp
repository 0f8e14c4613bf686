#include "app/CTavrinApp.h"

#include <QApplication>

#include <LorvenaVersion.h>

#include <cstdio>
#include <cstring>

namespace {

// --help and --version answer without a display, before Qt looks for one.
// Only a lone argument counts: the window's own argument is the exact text
// "-Soft", and anything else it is given is passed on across a restart as
// before.
bool answeredAlone(int argc, char** argv)
{
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0) {
        std::printf("lorvena %s\n", lorvena::kLorvenaVersion);
        return true;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::printf("Usage: lorvena [-Soft]\n"
                    "  Opens the window. It searches only when asked to (\"Wyszukaj\" or Enter).\n"
                    "  -Soft       also listen for a close request from `lorvena-cli soft-close`\n"
                    "  --help      show this text (also -h)\n"
                    "  --version   show the version (also -V)\n"
                    "See lorvena(1) and lorvena-cli(1).\n");
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (answeredAlone(argc, argv))
        return 0;
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lorvena"));
    QApplication::setApplicationName(QStringLiteral("Lorvena"));
    return lorvena::CTavrinApp().run();
}
