#pragma once
// Status and progress of a run drawn as one line on stderr, redrawn only
// when something it shows changes. Quiet: keeps the values, draws nothing.
#include <string>

#include "packs/StatusSink.h"

namespace pw {

class TerminalStatus : public PlainStatus {
public:
    explicit TerminalStatus(bool draw) : draw_(draw) {}
    ~TerminalStatus() override { Finish(); }

    void SetStatus(const std::string& caption) override;
    void SetProgressPosition(int position) override;
    void SetTotalPosition(int position) override;
    // Ends the drawn line, so later output starts on a line of its own.
    void Finish();

private:
    void Draw();
    bool draw_;
    bool drawn_ = false;
    std::string last_;
};

} // namespace pw
