#include "video/AviFinish.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace capture {

namespace {

constexpr std::uint32_t kKeyFrame = 0x10; // every MJPEG frame stands alone

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

bool readAt(int fd, std::int64_t offset, void* data, std::size_t size) {
    return ::pread(fd, data, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

bool writeAt(int fd, std::int64_t offset, const void* data, std::size_t size) {
    return ::pwrite(fd, data, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void putLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool patch32(int fd, std::int64_t offset, std::uint32_t value) {
    unsigned char b[4];
    putLe32(b, value);
    return writeAt(fd, offset, b, 4);
}

// A chunk header: four-character code, then the data size.
struct Chunk {
    char id[4];
    std::uint32_t size = 0;
    bool is(const char* code) const { return std::memcmp(id, code, 4) == 0; }
};

bool readChunk(int fd, std::int64_t offset, std::int64_t fileSize, Chunk* c) {
    unsigned char b[8];
    if (offset + 8 > fileSize || !readAt(fd, offset, b, 8))
        return false;
    std::memcpy(c->id, b, 4);
    c->size = le32(b + 4);
    return true;
}

// The data chunks of the movie list: "NNdb", "NNdc" (video), "NNwb" (sound), "NNpc" (palette change).
bool isStreamChunk(const Chunk& c) {
    const auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };
    if (!digit(c.id[0]) || !digit(c.id[1]))
        return false;
    const char a = c.id[2], b = c.id[3];
    return (a == 'd' && (b == 'b' || b == 'c')) || (a == 'w' && b == 'b') || (a == 'p' && b == 'c');
}

bool isVideoFrame(const Chunk& c) { return c.id[0] == '0' && c.id[1] == '0' && c.id[2] == 'd'; }

struct Entry {
    char id[4];
    std::int64_t offset;
    std::uint32_t size;
};

struct Layout {
    std::int64_t avihData = -1;
    std::int64_t strhData = -1; // the first stream's header
    std::int64_t dmlhData = -1;
    std::int64_t movi = -1;     // the movie list's header
    std::uint32_t moviSize = 0;
};

// Walks the header list for the three counters the file keeps (stream lists nest one level deep).
void readHeaderList(int fd, std::int64_t at, std::int64_t end, std::int64_t fileSize, Layout* l, int depth = 0) {
    while (at + 8 <= end && depth < 2) {
        Chunk c;
        if (!readChunk(fd, at, fileSize, &c))
            return;
        if (c.is("LIST")) {
            char type[4];
            if (!readAt(fd, at + 8, type, 4))
                return;
            if (std::memcmp(type, "strl", 4) == 0 || std::memcmp(type, "odml", 4) == 0)
                readHeaderList(fd, at + 12, at + 8 + c.size, fileSize, l, depth + 1);
        } else if (c.is("avih") && c.size >= 20) {
            l->avihData = at + 8;
        } else if (c.is("strh") && c.size >= 36 && l->strhData < 0) {
            l->strhData = at + 8;
        } else if (c.is("dmlh") && c.size >= 4) {
            l->dmlhData = at + 8;
        }
        at += 8 + std::int64_t(c.size) + (c.size & 1);
    }
}

} // namespace

AviFinishResult finishAvi(const QString& path) {
    AviFinishResult result;
    Fd file;
    file.fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (file.fd < 0)
        return result;
    const int fd = file.fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return result;
    const std::int64_t fileSize = st.st_size;
    unsigned char riff[12];
    if (fileSize < 12 || !readAt(fd, 0, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "AVI ", 4) != 0)
        return result;

    Layout l;
    for (std::int64_t at = 12; at + 8 <= fileSize;) {
        Chunk c;
        if (!readChunk(fd, at, fileSize, &c))
            break;
        if (c.is("LIST")) {
            char type[4];
            if (!readAt(fd, at + 8, type, 4))
                break;
            if (std::memcmp(type, "hdrl", 4) == 0)
                readHeaderList(fd, at + 12, at + 8 + c.size, fileSize, &l);
            if (std::memcmp(type, "movi", 4) == 0) {
                l.movi = at;
                l.moviSize = c.size;
                break;
            }
        }
        at += 8 + std::int64_t(c.size) + (c.size & 1);
    }
    if (l.movi < 0 || l.avihData < 0)
        return result;

    // A writer that finished put its index right behind the movie list.
    const std::int64_t declaredEnd = l.movi + 8 + l.moviSize;
    if (l.moviSize > 4) {
        Chunk after;
        if (readChunk(fd, declaredEnd + (l.moviSize & 1), fileSize, &after) && after.is("idx1")) {
            unsigned char frames[4];
            if (readAt(fd, l.avihData + 16, frames, 4)) {
                result.finished = true;
                result.frames = le32(frames);
            }
            return result;
        }
    }

    // The whole chunks the writer got onto the disk, in order; a cut one ends the list.
    std::vector<Entry> entries;
    std::int64_t at = l.movi + 12;
    while (at + 8 <= fileSize) {
        Chunk c;
        if (!readChunk(fd, at, fileSize, &c))
            break;
        const std::int64_t next = at + 8 + std::int64_t(c.size) + (c.size & 1);
        if (at + 8 + std::int64_t(c.size) > fileSize)
            break;
        if (isStreamChunk(c)) {
            Entry e;
            std::memcpy(e.id, c.id, 4);
            e.offset = at;
            e.size = c.size;
            entries.push_back(e);
        } else if (!c.is("JUNK") && !(c.id[0] == 'i' && c.id[1] == 'x')) {
            break; // not a chunk of a movie list: the rest is not trusted
        }
        at = next;
    }

    // Frames are given up from the end until the index fits on the disk; cutting the file frees their room.
    // The movie list keeps at least its own type code.
    std::int64_t end = entries.empty() ? l.movi + 12 : std::min(at, fileSize);
    std::uint32_t dropped = 0;
    for (;;) {
        if (::ftruncate(fd, static_cast<off_t>(end)) != 0)
            return result;
        std::vector<unsigned char> index(8 + 16 * entries.size());
        std::memcpy(index.data(), "idx1", 4);
        putLe32(index.data() + 4, static_cast<std::uint32_t>(16 * entries.size()));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            unsigned char* p = index.data() + 8 + 16 * i;
            std::memcpy(p, entries[i].id, 4);
            putLe32(p + 4, kKeyFrame);
            putLe32(p + 8, static_cast<std::uint32_t>(entries[i].offset)); // from the file's start, as written
            putLe32(p + 12, entries[i].size);
        }
        if (writeAt(fd, end, index.data(), index.size()))
            break;
        if (entries.empty())
            return result;
        end = entries.back().offset;
        entries.pop_back();
        ++dropped;
    }

    std::uint32_t frames = 0;
    for (const Entry& e : entries) {
        Chunk c;
        std::memcpy(c.id, e.id, 4);
        frames += isVideoFrame(c) ? 1 : 0;
    }
    const std::int64_t total = end + 8 + 16 * std::int64_t(entries.size());
    bool ok = patch32(fd, 4, static_cast<std::uint32_t>(total - 8)) &&
              patch32(fd, l.movi + 4, static_cast<std::uint32_t>(end - l.movi - 8)) &&
              patch32(fd, l.avihData + 16, frames);
    if (ok && l.strhData >= 0)
        ok = patch32(fd, l.strhData + 32, frames);
    if (ok && l.dmlhData >= 0)
        ok = patch32(fd, l.dmlhData, frames);
    result.finished = ok && ::fsync(fd) == 0;
    result.frames = frames;
    result.dropped = dropped;
    return result;
}

} // namespace capture
