#include "packs/PackIndex.h"

#include "core/Bytes.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileIO.h"

namespace pw {

PackIndex::PackIndex(std::vector<unsigned char> bytes, const std::string& path)
    : bytes_(std::move(bytes)) {
    if (bytes_.size() < FatHeader::Bytes) throw Error("Damaged pack index " + path);
    int32_t n = ReadI32LE(bytes_.data());
    if (n <= 0) return;
    if (uint64_t(n) > (bytes_.size() - FatHeader::Bytes) / FatEntry::Bytes)
        throw Error("Damaged pack index " + path);
    count_ = size_t(n);
}

FatHeader PackIndex::Header() const {
    return {ReadI32LE(bytes_.data()), ReadU32LE(bytes_.data() + 4)};
}

FatEntry PackIndex::Entry(size_t k) const {
    return {std::string(Name(k)), StartBlock(k), Size(k), ReadU32LE(Record(k) + 24)};
}

std::string_view PackIndex::Name(size_t k) const {
    const char* r = reinterpret_cast<const char*>(Record(k));
    size_t len = 0;
    while (len < FatEntry::NameBytes && r[len] != 0) ++len;
    return {r, len};
}

int32_t PackIndex::StartBlock(size_t k) const { return ReadI32LE(Record(k) + 16); }

int32_t PackIndex::Size(size_t k) const { return ReadI32LE(Record(k) + 20); }

void PackIndex::SetStartBlock(size_t k, int32_t startBlock) { WriteI32LE(Record(k) + 16, startBlock); }

void PackIndex::SetSize(size_t k, int32_t size) { WriteI32LE(Record(k) + 20, size); }

bool EntryInside(int32_t startBlock, int32_t size, int64_t dataSize) {
    if (startBlock < 0 || size < 0) return false;
    return int64_t(startBlock) * PackBlockSize + int64_t(size) <= dataSize;
}

std::string PackName(const std::string& indexPath) {
    std::string name = ExtractFileName(indexPath);
    return name.substr(0, name.find('.'));
}

std::string DataPathFor(const std::string& indexPath) {
    return FindCaseInsensitive(ChangeFileExt(indexPath, ".mix"));
}

} // namespace pw
