#pragma once
// What the pack handlers need of a window while they work: the status
// caption, the two bars (Progress within the current item, Total over the
// list, each 0 to 100), and a way to let pending events run. The main
// window, the command-line tool and the tests each implement it.
#include <string>

namespace pw {

class StatusSink {
public:
    virtual ~StatusSink() = default;

    virtual void SetStatus(const std::string& caption) = 0;

    virtual int ProgressPosition() const = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual int ProgressMax() const = 0;
    virtual void SetProgressMax(int maximum) = 0;

    virtual int TotalPosition() const = 0;
    virtual void SetTotalPosition(int position) = 0;
    virtual int TotalMax() const = 0;
    virtual void SetTotalMax(int maximum) = 0;

    virtual void ProcessEvents() = 0;
};

// Keeps the values and does nothing else: for quiet runs and tests.
class PlainStatus : public StatusSink {
public:
    void SetStatus(const std::string& caption) override { status_ = caption; }
    int ProgressPosition() const override { return progress_; }
    void SetProgressPosition(int position) override { progress_ = Clamp(position, progressMax_); }
    int ProgressMax() const override { return progressMax_; }
    void SetProgressMax(int maximum) override { progressMax_ = maximum; }
    int TotalPosition() const override { return total_; }
    void SetTotalPosition(int position) override { total_ = Clamp(position, totalMax_); }
    int TotalMax() const override { return totalMax_; }
    void SetTotalMax(int maximum) override { totalMax_ = maximum; }
    void ProcessEvents() override {}

    const std::string& Status() const { return status_; }

private:
    static int Clamp(int v, int max) { return v < 0 ? 0 : v > max ? max : v; }
    std::string status_;
    int progress_ = 0, progressMax_ = 100, total_ = 0, totalMax_ = 100;
};

} // namespace pw
