// Applying a checked plan: each pack rebuilt by the rebuild's own writer,
// its patched entries supplied from the patches, inflated as they are
// written.
#include <algorithm>
#include <memory>

#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/Driver.h"
#include "packs/RebuildRules.h"
#include "packs/SuppliedEntries.h"
#include "packs/patch/PatchApply.h"

namespace pw::patch {

namespace {

class PatchSupply : public SuppliedEntries {
public:
    PatchSupply(const ApplyPlan& plan, const ApplyPackPlan& pack) : plan_(plan), pack_(pack) {}

    bool Supplies(size_t k, int64_t* size) const override {
        const ApplyTake* t = Find(k);
        if (t) *size = t->entry->newSize;
        return t != nullptr;
    }
    void Write(size_t k, int fd, int64_t offset) const override {
        const ApplyTake& t = *Find(k);
        int64_t at = offset;
        plan_.patches[t.patch]->ReadData(*t.entry, [&](const unsigned char* data, size_t size) {
            WriteAt(fd, data, size, at);
            at += int64_t(size);
        });
    }
    void Read(size_t k, char* buffer) const override {
        const ApplyTake& t = *Find(k);
        plan_.patches[t.patch]->ReadData(*t.entry, [&](const unsigned char* data, size_t size) {
            buffer = std::copy(data, data + size, buffer);
        });
    }
    bool Holds(size_t k, int fd, int64_t offset) const override {
        const ApplyTake& t = *Find(k);
        std::unique_ptr<unsigned char[]> buffer;
        size_t room = 0;
        int64_t at = offset;
        bool same = true;
        plan_.patches[t.patch]->ReadData(*t.entry, [&](const unsigned char* data, size_t size) {
            if (!same) return;
            if (room < size) buffer.reset(new unsigned char[room = size]);
            try {
                ReadAt(fd, buffer.get(), size, at);
            } catch (const Error&) {
                same = false;
                return;
            }
            same = std::equal(data, data + size, buffer.get());
            at += int64_t(size);
        });
        return same;
    }

private:
    const ApplyTake* Find(size_t k) const {
        auto it = std::lower_bound(pack_.takes.begin(), pack_.takes.end(), k,
                                   [](const ApplyTake& t, size_t index) { return t.index < index; });
        return it != pack_.takes.end() && it->index == k ? &*it : nullptr;
    }
    const ApplyPlan& plan_;
    const ApplyPackPlan& pack_;
};

// The context's supplier and the patches as files being read, for a scope.
class Supplying {
public:
    Supplying(RunContext& ctx, const SuppliedEntries& supply, const std::vector<const PatchFile*>& patches)
        : ctx_(ctx), reading_(ctx.ReadingFiles.size()) {
        ctx.Supplied = &supply;
        for (const PatchFile* p : patches) ctx.ReadingFiles.push_back(p->Id());
    }
    ~Supplying() {
        ctx_.Supplied = nullptr;
        ctx_.ReadingFiles.resize(reading_);
    }

private:
    RunContext& ctx_;
    size_t reading_;
};

} // namespace

Outcome RunApply(RunContext& ctx, const ApplyPlan& plan, const std::string& targetDir) {
    if (!plan.Ok()) throw Error(plan.Problems());
    BeginRun(ctx, targetDir);
    const size_t n = plan.packs.size();
    for (size_t i = 0; i < n; ++i) {
        const ApplyPackPlan& pack = plan.packs[i];
        PatchSupply supply(plan, pack);
        Supplying scope(ctx, supply, plan.patches);
        ctx.SourcePackPath = pack.sourceIndex;
        Outcome outcome = Outcome::Done;
        RebuildPack(ctx, TargetIndexPath(ctx.TargetDir, pack.sourceIndex), 0, &outcome);
        if (outcome == Outcome::Stopped) {
            EndRun(ctx);
            return Outcome::Stopped;
        }
        SetTotalAfterItem(ctx, i + 1, n);
    }
    EndRun(ctx);
    return Outcome::Done;
}

} // namespace pw::patch
