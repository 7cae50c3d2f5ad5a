#pragma once
// What windows of lower layers need of the main window, which they cannot
// include: the main window implements these and hands itself down.

namespace tarvik::ui {

// The station's polling clock. The settings and reports windows stop it while
// they are open and start it again when they close.
class PollingTimer {
public:
    virtual ~PollingTimer() = default;
    virtual void stopPolling() = 0;
    virtual void startPolling() = 0;
};

}  // namespace tarvik::ui
