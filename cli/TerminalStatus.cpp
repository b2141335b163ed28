#include "cli/TerminalStatus.h"

#include <cstdio>

namespace pw {

void TerminalStatus::SetStatus(const std::string& caption) {
    PlainStatus::SetStatus(caption);
    Draw();
}

void TerminalStatus::SetProgressPosition(int position) {
    PlainStatus::SetProgressPosition(position);
    Draw();
}

void TerminalStatus::SetTotalPosition(int position) {
    PlainStatus::SetTotalPosition(position);
    Draw();
}

void TerminalStatus::Draw() {
    if (!draw_ || Status().empty()) return;
    constexpr int Width = 30;
    int filled = ProgressPosition() * Width / (ProgressMax() > 0 ? ProgressMax() : 100);
    std::string bar(size_t(filled), '#');
    bar.resize(Width, '.');
    std::string caption = Status().substr(0, 40);
    char line[160];
    std::snprintf(line, sizeof line, "\r[%s] %3d%%  total %3d%%  %-40s", bar.c_str(), ProgressPosition(),
                  TotalPosition(), caption.c_str());
    if (line == last_) return;
    last_ = line;
    std::fputs(line, stderr);
    std::fflush(stderr);
    drawn_ = true;
}

void TerminalStatus::Finish() {
    if (drawn_) std::fputc('\n', stderr);
    drawn_ = false;
    last_.clear();
}

} // namespace pw
