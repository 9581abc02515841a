// Wiring the X11 services together.
#include "X11Backend.h"

#include <unistd.h>

namespace {

QProcessEnvironment launchEnvironment(const X11Connection& connection) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Programs we start belong on the display we manage.
    if (!connection.displayName().isEmpty())
        env.insert(QStringLiteral("DISPLAY"), connection.displayName());
    return env;
}

pid_t ownPid(const X11Backend::Options& options) {
    return options.ownPid ? options.ownPid : getpid();
}

} // namespace

X11Backend::X11Backend() : X11Backend(Options{}) {}

X11Backend::X11Backend(const Options& options)
    : connection(options.displayName),
      entries(options.applicationDirs.isEmpty() ? DesktopEntryIndex::defaultApplicationDirs()
                                                : options.applicationDirs),
      launcher(launchEnvironment(connection)), desktop(connection, entries, options.ownId, ownPid(options)),
      screens(connection, ownPid(options)), windows(desktop, screens, launcher),
      workspace(desktop, launcher) {}
