// Loading a Targa image: header and rows read by one reader from a file,
// bytes in memory or an open device.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/CFile.h"
#include "core/Error.h"
#include "targa/Targa.h"

namespace pw {

// Where a load takes its bytes from: Read gives what it has of the count
// asked for (fewer only at the end), Skip moves past bytes it need not keep.
class TTarga::Source {
public:
    virtual ~Source() = default;
    virtual size_t Read(void* to, size_t count) = 0;
    virtual void Skip(int64_t count) = 0;
};

namespace {

// Owns the stream and closes it.
class FileSource : public TTarga::Source {
public:
    explicit FileSource(std::FILE* f) : f_(f) {}
    ~FileSource() override { std::fclose(f_); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    size_t Read(void* to, size_t count) override {
        const size_t got = std::fread(to, 1, count, f_);
        if (std::ferror(f_)) ThrowReadError();
        return got;
    }
    void Skip(int64_t count) override {
        if (!SkipCFile(f_, count)) ThrowReadError();
    }

private:
    std::FILE* f_;
};

class MemorySource : public TTarga::Source {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t Read(void* to, size_t count) override {
        const size_t got = std::min(count, size_ - at_);
        if (got != 0) std::memcpy(to, data_ + at_, got);
        at_ += got;
        return got;
    }
    void Skip(int64_t count) override {
        at_ += size_t(std::min<int64_t>(count, int64_t(size_ - at_)));
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

class DeviceSource : public TTarga::Source {
public:
    explicit DeviceSource(QIODevice& device) : device_(device) {}
    size_t Read(void* to, size_t count) override {
        size_t got = 0;
        while (got < count) {
            const qint64 n = device_.read(static_cast<char*>(to) + got, qint64(count - got));
            if (n < 0) ThrowReadError();
            if (n == 0 && !device_.waitForReadyRead(-1)) break;
            got += size_t(n);
        }
        return got;
    }
    void Skip(int64_t count) override {
        char scratch[4096];
        while (count > 0) {
            const size_t step = size_t(std::min<int64_t>(count, sizeof scratch));
            if (Read(scratch, step) < step) return;
            count -= int64_t(step);
        }
    }

private:
    QIODevice& device_;
};

} // namespace

void TTarga::LoadFromFile(const std::string& fileName) {
    std::FILE* const file = OpenCFile(fileName, "rb");
    if (!file) ThrowCannotOpen(fileName);
    FileSource source(file);
    if (CFileIsFolder(file)) ThrowCannotOpen(fileName);
    Load(source);
}

void TTarga::LoadFromMemory(const uint8_t* data, size_t size) {
    MemorySource source(data, data ? size : 0);
    Load(source);
}

void TTarga::LoadFromMemory(const QByteArray& bytes) {
    LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

void TTarga::LoadFromDevice(QIODevice& device) {
    if (!device.isOpen() || !device.isReadable()) throw Error("Cannot read from a device that is not open");
    DeviceSource source(device);
    Load(source);
}

void TTarga::Load(Source& source) {
    // A short source overwrites only the header bytes it has.
    auto header = Header;
    source.Read(header.data(), HeaderSize);
    auto image = MakeImage(header);

    if (!image->isNull()) {
        const int64_t fileRow = int64_t(image->width()) * ((header[DepthAt] + 7) / 8);
        const int64_t bytes = TransferBytes(*image, fileRow);
        for (int y = 0; y < image->height(); ++y) {
            const size_t got = source.Read(image->scanLine(y), size_t(bytes));
            if (got < size_t(bytes)) break;  // the source ends: the rest stays blank
            if (fileRow > bytes) source.Skip(fileRow - bytes);
        }
    }
    Header = header;
    TakeImage(std::move(image));
}

} // namespace pw
