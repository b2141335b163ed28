#include "packs/RunContext.h"

#include <algorithm>

namespace pw {

ReadingGuard::ReadingGuard(RunContext& ctx, const File& file) : ctx_(ctx), id_(file.Id()) {
    ctx_.ReadingFiles.push_back(id_);
}

ReadingGuard::~ReadingGuard() {
    auto it = std::find(ctx_.ReadingFiles.begin(), ctx_.ReadingFiles.end(), id_);
    if (it != ctx_.ReadingFiles.end()) ctx_.ReadingFiles.erase(it);
}

} // namespace pw
