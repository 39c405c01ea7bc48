#include "ui/QtProcessRunner.h"

#include <QEventLoop>
#include <QSocketNotifier>

namespace korva {

ProcessStart QtProcessRunner::Start(const std::string& sjisCommandLine,
                                    const std::string& sjisProgramFolder) {
    ProcessStart start;
    child_ = ChildProcess::Start(sjisCommandLine, sjisProgramFolder, start);
    return start;
}

bool QtProcessRunner::WaitForEnd() {
    // Taken over here: an event handled meanwhile may start another converter.
    const std::unique_ptr<ChildProcess> child = std::move(child_);
    if (!child || child->TryReap())
        return true;
    QEventLoop loop;
    QSocketNotifier notifier(static_cast<qintptr>(child->EndDescriptor()), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        if (child->TryReap())
            loop.quit();
    });
    loop.exec();
    // The loop also ends when the application quits; the child then goes on without us.
    return child->TryReap();
}

}  // namespace korva
