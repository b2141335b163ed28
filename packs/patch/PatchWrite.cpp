// The writer of the patch format documented in PatchFile.h: the header's
// place kept, each changed entry's new data deflated into the data area in
// bounded pieces, then the table, the header, and the checksum over all.
#include <cstdlib>
#include <ctime>
#include <memory>

#include <nlohmann/json.hpp>

#include "core/Bytes.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/PendingFile.h"
#include "packs/Formathandlers.h"
#include "packs/PackReader.h"
#include "packs/patch/Deflate.h"
#include "packs/patch/Hash.h"
#include "packs/patch/PatchMake.h"

namespace pw::patch {

namespace {

std::string WriterVersion = "0";

void PutU16(std::string& out, uint16_t v) { out.push_back(char(v)), out.push_back(char(v >> 8)); }
void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char(v >> (8 * i)));
}
void PutU64(std::string& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(char(v >> (8 * i)));
}

// The time a patch is made: SOURCE_DATE_EPOCH when set (reproducible
// patches), else now; UTC, ISO 8601.
std::string TimeText() {
    std::time_t t = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) t = std::time_t(std::atoll(epoch));
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

std::string ManifestText(const Manifest& m) {
    nlohmann::ordered_json j = {{"title", m.title},   {"version", m.version}, {"author", m.author},
                                {"description", m.description}, {"text", m.text},
                                {"writer", m.writer}, {"time", m.time}};
    return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The file of the entry being read, kept open while entries come from it.
class Reading {
public:
    explicit Reading(FileId output) : output_(output) {}
    int Fd(const std::string& path, const std::string& outputPath) {
        if (path != path_ || !file_.IsOpen()) {
            file_.Close();
            file_ = OpenReadNotShared(path);
            path_ = path;
            if (output_ != FileId{} && file_.Id() == output_) ThrowCannotCreate(outputPath);
        }
        return file_.Fd();
    }

private:
    FileId output_;
    std::string path_;
    File file_;
};

} // namespace

void SetWriterVersion(const std::string& version) { WriterVersion = version; }

bool WritePatch(RunContext& ctx, const std::string& output, Manifest manifest,
                const std::vector<PackChanges>& changes) {
    size_t total = 0;
    for (size_t i = 0; i < changes.size(); ++i) {
        total += changes[i].entries.size();
        for (size_t j = 0; j < i; ++j)
            if (SameTextAscii(ExtractFileName(changes[i].sourceIndex), ExtractFileName(changes[j].sourceIndex)))
                throw Error("Pack " + ExtractFileName(changes[i].sourceIndex) + " is named twice");
    }
    if (total == 0) throw Error("Nothing to put in patch " + output);
    const FileId outputId = IdOfPath(output);
    manifest.writer = WriterVersion;
    manifest.time = TimeText();

    PendingFile out(output, ctx.Sync);
    const std::string zeros(HeaderBytes, '\0');
    WriteAll(out.Fd(), zeros.data(), zeros.size());
    int64_t at = HeaderBytes;
    std::string table;
    const std::string manifestText = ManifestText(manifest);
    PutU32(table, uint32_t(manifestText.size()));
    table += manifestText;
    PutU32(table, uint32_t(changes.size()));
    ctx.Status->SetStatus("Writing " + ExtractFileName(output) + "...");
    size_t done = 0;
    Deflater deflater;
    for (const PackChanges& pack : changes) {
        const PackReader base(pack.sourceIndex, Pipes::Refuse);
        if (outputId != FileId{} && (IdOfPath(pack.sourceIndex) == outputId || base.Data().Id() == outputId))
            ThrowCannotCreate(output);
        const std::string name = ExtractFileName(pack.sourceIndex);
        if (name.size() > 255) throw Error("Pack name " + name + " is too long for a patch");
        PutU16(table, uint16_t(name.size()));
        table += name;
        PutU32(table, uint32_t(base.Index().Count()));
        PutU32(table, uint32_t(pack.entries.size()));
        Reading reading(outputId);
        for (size_t i = 0; i < pack.entries.size(); ++i) {
            const EntryChange& change = pack.entries[i];
            if (ctx.Stopped()) return false;
            const PackIndex& index = base.Index();
            if (change.index >= index.Count() || (i > 0 && change.index <= pack.entries[i - 1].index))
                ThrowIndexError(static_cast<long long>(change.index));
            if (change.data.size > INT32_MAX)
                throw Error("File " + change.data.path + " is too large for a pack entry");
            const FatEntry entry = index.Entry(change.index);
            const uint64_t baseHash = HashFileRange(base.Data().Fd(), base.Offset(change.index), entry.Size);
            uint64_t newHash = HashBytes(nullptr, 0);
            int64_t length = 0;
            if (change.data.bytes && !change.data.bytes->empty())
                length = deflater.DeflateBytes(reinterpret_cast<const unsigned char*>(change.data.bytes->data()),
                                               change.data.bytes->size(), out.Fd(), &newHash);
            else if (!change.data.bytes && change.data.size > 0)
                length = deflater.Deflate(reading.Fd(change.data.path, output), change.data.offset,
                                          change.data.size, out.Fd(), &newHash);
            PutU32(table, uint32_t(change.index));
            const unsigned char* record = index.Bytes().data() + FatHeader::Bytes + change.index * FatEntry::Bytes;
            table.append(reinterpret_cast<const char*>(record), FatEntry::NameBytes);
            PutU32(table, uint32_t(entry.Size));
            PutU64(table, baseHash);
            PutU32(table, uint32_t(change.data.size));
            PutU64(table, newHash);
            PutU64(table, uint64_t(length == 0 ? HeaderBytes : at));
            PutU64(table, uint64_t(length));
            at += length;
            StepProgress(ctx, ++done, total);
            ctx.Status->ProcessEvents();
        }
    }
    WriteAll(out.Fd(), table.data(), table.size());
    std::string header(Signature, sizeof Signature);
    header.push_back(char(FormatVersion));
    PutU64(header, uint64_t(at));
    PutU64(header, uint64_t(table.size()));
    PutU64(header, uint64_t(at) + table.size() + 8);
    WriteAt(out.Fd(), header.data(), header.size(), 0);
    std::string sum;
    PutU64(sum, HashFileRange(out.Fd(), 0, at + int64_t(table.size())));
    WriteAt(out.Fd(), sum.data(), sum.size(), at + int64_t(table.size()));
    out.Commit();
    ctx.RunTally.Packs += changes.size();
    ctx.RunTally.Entries += total;
    ctx.RunTally.Bytes += at + int64_t(table.size()) + 8;
    return true;
}

} // namespace pw::patch
