// The update framework as the program uses it: started with the program, asked to check on demand.
#pragma once

class QObject;

class UpdaterController {
public:
    virtual ~UpdaterController() = default;
    // Looks for a newer version and shows its own interface; `sender` is the control that asked.
    virtual void checkForUpdates(QObject* sender) = 0;
};

// On Linux the distribution's package manager brings new versions, so the check does nothing.
class PackageManagedUpdaterController : public UpdaterController {
public:
    void checkForUpdates(QObject*) override {}
};
