// Runs parsed scenario steps against the windows of the session, one after
// the other, with a time-out on everything that waits.
#pragma once

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "scenario.h"

namespace robot {

struct Settings {
    double timeout = 10;  // waits and actions
    double settle = 1;    // assertions
};

class Runner {
public:
    Runner(std::string scenarioName, Settings settings, std::FILE* log);

    // 0 when every step passed, 1 at the first failing step (reported).
    int Run(const std::vector<Step>& steps);

private:
    void Execute(const Step& step);
    void OnControl(const Step& step);
    void Answer(const Step& step);
    void Keys(const Step& step);
    std::string Check(const Condition& cond) const;
    std::string CheckControl(const Condition& cond) const;
    void Poll(const Condition& cond, double seconds, const char* verb);
    HWND Operable(const ControlRef& ref, double seconds);
    HWND VisibleWindow(const Ref& ref, double seconds);
    std::string ScopeText(const ControlRef& ref) const;
    double TimeoutOf(const Step& step) const { return step.timeout.value_or(settings_.timeout); }

    std::string scenario_;
    Settings settings_;
    std::FILE* log_;
    std::optional<Ref> scope_;
};

}  // namespace robot
