#pragma once

namespace lorvena {

// Starting a new instance of the program and ending this one: what the
// protocol-generation switch needs of the operating system.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;

    // Starts the executable without arguments; false when it cannot.
    virtual bool startWithoutArguments() = 0;
    // Starts the executable with this process's arguments; false when it cannot.
    virtual bool startWithSameArguments() = 0;
    // Leaves through the normal exit path: the event loop ends and the
    // window and its machinery are taken down in order.
    virtual void exitNormally(int exitCode) = 0;
    // Ends the process at once, without any clean-up.
    virtual void exitImmediately(int exitCode) = 0;
};

} // namespace lorvena
