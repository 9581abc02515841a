// Asks for one of the shortcut component's texts and prints it; built into a folder without the
// component's bundle, so that the test can see what happens then.
#include "shortcuts/ResourceBundle.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("%s\n", qPrintable(KeyboardShortcuts::localized(QStringLiteral("space_key"))));
    return 0;
}
