#include "create/FileBlocks.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include "create/AsciiCodes.h"
#include "io/AtomicWriter.h"
#include "io/Platform.h"

namespace corvane::create {

namespace {

// The EBCDIC code of each character of a code page: the first 256 code
// points in a table, the rest in a map.
struct Reverse {
    std::array<std::int16_t, 256> Low;
    std::unordered_map<char32_t, std::uint8_t> High;
    // Every ASCII character has a code: ASCII text needs no check per byte.
    bool AsciiComplete = false;
    std::optional<AsciiCodes> Ascii;
};

const Reverse& ReverseOf(const CodePage& page) {
    static std::mutex lock;
    static std::map<int, std::unique_ptr<Reverse>> tables;
    std::lock_guard<std::mutex> hold(lock);
    auto& table = tables[page.Number()];
    if (!table) {
        table = std::make_unique<Reverse>();
        table->Low.fill(-1);
        for (int b = 255; b >= 0; --b) {
            const char32_t c = page.CodePoint(static_cast<std::uint8_t>(b));
            if (c < 256) {
                table->Low[c] = static_cast<std::int16_t>(b);
            } else {
                table->High[c] = static_cast<std::uint8_t>(b);
            }
        }
        table->AsciiComplete = true;
        std::array<std::uint8_t, 128> ascii{};
        for (std::size_t c = 0; c < 128; ++c) {
            table->AsciiComplete = table->AsciiComplete && table->Low[c] >= 0;
            ascii[c] = static_cast<std::uint8_t>(table->Low[c]);
        }
        if (table->AsciiComplete) table->Ascii.emplace(ascii);
    }
    return *table;
}

// The next code point of UTF-8 text; a byte that starts no valid sequence
// stands for itself (ISO 8859-1).
char32_t NextCodePoint(std::string_view s, std::size_t& at) {
    const auto b = static_cast<unsigned char>(s[at]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n <= 1 || at + n > s.size()) {
        ++at;
        return b;
    }
    char32_t c = b & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto t = static_cast<unsigned char>(s[at + k]);
        if ((t & 0xC0) != 0x80) {
            ++at;
            return b;
        }
        c = c << 6 | (t & 0x3F);
    }
    at += n;
    return c;
}

constexpr std::size_t kChunk = 1 << 16;

bool Ascii(std::string_view s) {
    unsigned char any = 0;
    for (char c : s) any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

// Whether every ASCII character has a code in the page.
bool AsciiCoded(const CodePage* characters) {
    return ReverseOf(characters ? *characters : CodePage::Default()).AsciiComplete;
}

}  // namespace

namespace {

// The page's tables, looked up once per thread while the page stays the same.
const Reverse& CachedReverse(const CodePage* characters) {
    thread_local const CodePage* cachedPage = nullptr;
    thread_local const Reverse* cached = nullptr;
    const CodePage& page = characters ? *characters : CodePage::Default();
    if (cachedPage != &page) {
        cached = &ReverseOf(page);
        cachedPage = &page;
    }
    return *cached;
}

}  // namespace

bool EncodeLine(std::string_view line, const CodePage* characters, std::vector<std::uint8_t>& out,
                std::size_t& bad) {
    const Reverse& reverse = CachedReverse(characters);
    out.resize(line.size());
    std::size_t n = 0;
    std::size_t at = 0;
    // ASCII runs through the table alone.
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    std::uint8_t* to = out.data();
    if (reverse.AsciiComplete && reverse.Ascii->Encode(p, line.size(), to)) return true;
    std::int16_t all = 0;
    while (at < line.size() && p[at] < 0x80) {
        const std::int16_t code = reverse.Low[p[at]];
        all |= code;
        to[n++] = static_cast<std::uint8_t>(code);
        ++at;
    }
    if (all < 0) {
        // Some character had no code: found again below, with its place.
        n = 0;
        at = 0;
    }
    while (at < line.size()) {
        const std::size_t start = at;
        const auto b = static_cast<unsigned char>(line[at]);
        std::int16_t code = -1;
        if (b < 0x80) {
            ++at;
            code = reverse.Low[b];
        } else {
            const char32_t c = NextCodePoint(line, at);
            if (c < 256) {
                code = reverse.Low[c];
            } else if (const auto it = reverse.High.find(c); it != reverse.High.end()) {
                code = it->second;
            }
        }
        if (code < 0) {
            bad = start;
            out.resize(n);
            return false;
        }
        out[n++] = static_cast<std::uint8_t>(code);
    }
    out.resize(n);
    return true;
}

bool FixedTextReadsBack(const std::vector<std::uint8_t>& records, std::string_view text,
                        std::uint32_t lrecl, const CodePage* characters) {
    if (lrecl == 0 || records.size() % lrecl != 0) return false;
    std::vector<std::uint8_t> record;
    std::size_t at = 0;
    std::size_t offset = 0;
    while (at < text.size()) {
        const std::size_t nl = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, nl - at);
        at = nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::size_t bad = 0;
        if (!EncodeLine(line, characters, record, bad) || record.size() > lrecl) return false;
        record.resize(lrecl, 0x40);
        if (offset + lrecl > records.size() ||
            !std::equal(record.begin(), record.end(), records.begin() + offset)) {
            return false;
        }
        offset += lrecl;
    }
    return offset == records.size();
}

// The file read in chunks.
struct FileBlocks::Reader {
    std::FILE* File = nullptr;
    std::string Name;
    ~Reader() {
        if (File) std::fclose(File);
    }
    std::size_t Read(std::uint8_t* p, std::size_t n) {
        const std::size_t got = std::fread(p, 1, n, File);
        if (got < n && std::ferror(File)) throw InputRefused{"Cannot read " + Name};
        return got;
    }
    void Exact(std::uint8_t* p, std::size_t n) {
        if (Read(p, n) != n) throw InputRefused{Name + " changed while it was read"};
    }
};

FileBlocks::FileBlocks(std::filesystem::path file, EncodeOptions options)
    : file_(std::move(file)), name_(PathToUtf8(file_)), options_(std::move(options)) {}

std::vector<std::uint32_t> FileBlocks::Lengths() {
    if (!lengths_) {
        Make(nullptr);
        lengths_ = std::move(made_);
    }
    return *lengths_;
}

void FileBlocks::Blocks(const Emit& emit) {
    Make(&emit);
}

void FileBlocks::Make(const Emit* emit) {
    made_.clear();
    records_ = 0;
    const WriteFormat& f = options_.Format;
    if (f.Blksize == 0 || (f.Kind != 'U' && f.Lrecl == 0) || (f.Kind == 'V' && f.Lrecl < 5)) {
        throw InputRefused{"The record length and block size cannot hold the data of " + name_};
    }
    Reader in;
    in.Name = name_;
    std::string error;
    in.File = platform::OpenForReading(file_, &error);
    if (!in.File) throw InputRefused{"Cannot open " + name_ + (error.empty() ? "" : ": " + error)};
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(file_, ec);
    if (ec) throw InputRefused{"Cannot read " + name_};
    if (options_.Text) {
        Text(in, emit);
    } else {
        Binary(in, size, emit);
    }
}

void FileBlocks::Text(Reader& in, const Emit* emit) {
    const WriteFormat& f = options_.Format;
    const std::size_t lrecl = f.Lrecl;
    const bool variable = f.Kind == 'V';
    const std::size_t room = variable ? lrecl - 4 : lrecl;
    const std::size_t blksize = f.Blksize;
    // Only the lengths: a line of characters that all have a one-byte code
    // is as long as its bytes, and is not encoded.
    const bool counting = emit == nullptr && AsciiCoded(options_.Characters);
    std::vector<std::uint8_t> block;
    std::vector<std::uint8_t> record;
    std::size_t blockSize = 0;
    auto flush = [&] {
        if (blockSize == 0) return;
        if (variable && emit) {
            block[0] = static_cast<std::uint8_t>(blockSize >> 8);
            block[1] = static_cast<std::uint8_t>(blockSize);
        }
        made_.push_back(static_cast<std::uint32_t>(blockSize));
        if (emit) (*emit)(block.data(), block.size());
        block.clear();
        blockSize = 0;
    };
    std::uint32_t lineNumber = 0;
    bool knownAscii = false;  // the line given lies in a chunk of ASCII alone
    const Reverse& reverse = CachedReverse(options_.Characters);
    // A fixed record of ASCII characters is made in its block.
    auto direct = [&](std::string_view text) {
        if (variable || !emit || !reverse.AsciiComplete || text.size() > room) return false;
        if (blockSize + lrecl > blksize) flush();
        const std::size_t at = block.size();
        block.resize(at + lrecl, 0x40);
        if (!reverse.Ascii->Encode(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                                   block.data() + at)) {
            block.resize(at);
            return false;
        }
        blockSize += lrecl;
        ++records_;
        return true;
    };
    auto line = [&](std::string_view text) {
        ++lineNumber;
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        if (direct(text)) return;
        std::size_t length = text.size();
        if (!counting || (!knownAscii && !Ascii(text))) {
            std::size_t bad = 0;
            if (!EncodeLine(text, options_.Characters, record, bad)) {
                throw InputRefused{"Line " + std::to_string(lineNumber) + " of " + name_ +
                                   " holds a character the code page has no code for (at byte " +
                                   std::to_string(bad + 1) + ")"};
            }
            length = record.size();
        }
        if (length > room) {
            if (!options_.Truncate) {
                throw InputRefused{"Line " + std::to_string(lineNumber) + " of " + name_ + " is " +
                                   std::to_string(length) +
                                   " characters long, more than the record length " +
                                   std::to_string(room)};
            }
            length = room;
        }
        if (variable || length == 0) record.resize(length);
        if (variable) {
            if (length == 0) {
                record.push_back(0x40);  // as the editor stores an empty line
                length = 1;
            }
            const std::size_t size = length + 4;
            if (blockSize > 0 && (blockSize + size > blksize || !f.Blocked)) flush();
            if (blockSize == 0) {
                blockSize = 4;
                if (emit) block.assign(4, 0);
            }
            if (emit) {
                const std::uint8_t rdw[4] = {static_cast<std::uint8_t>(size >> 8),
                                             static_cast<std::uint8_t>(size), 0, 0};
                block.insert(block.end(), rdw, rdw + 4);
                block.insert(block.end(), record.begin(), record.end());
            }
            blockSize += size;
        } else {
            if (blockSize + lrecl > blksize) flush();
            if (emit) {
                const std::size_t at = block.size();
                block.resize(at + lrecl, 0x40);
                std::memcpy(block.data() + at, record.data(), length);
            }
            blockSize += lrecl;
        }
        ++records_;
    };
    // Text files the program writes end their last record with an empty
    // line ended by CR LF; that line is no record. Empty CR lines wait until
    // a line follows them, to know which is last. A line inside a chunk is
    // taken where it lies; one that a chunk's end cuts is gathered.
    std::size_t emptyLines = 0;
    auto give = [&](std::string_view text) {
        if (text == "\r") {
            ++emptyLines;
            return;
        }
        for (; emptyLines > 0; --emptyLines) line("\r");
        line(text);
    };
    // The common line, taken here without the checks of line(): a fixed
    // record of ASCII characters, or only its length. False: not taken.
    const bool quick = !variable && (counting || (emit && reverse.AsciiComplete));
    auto quickLine = [&](const char* p, std::size_t length) {
        if (length > 0 && p[length - 1] == '\r') --length;
        if (length == 0 || length > room || emptyLines > 0 || (!emit && !knownAscii)) return false;
        if (blockSize + lrecl > blksize) flush();
        if (emit) {
            const std::size_t at = block.size();
            block.resize(at + lrecl, 0x40);
            if (!reverse.Ascii->Encode(reinterpret_cast<const unsigned char*>(p), length,
                                       block.data() + at)) {
                block.resize(at);
                return false;
            }
        }
        blockSize += lrecl;
        ++records_;
        ++lineNumber;
        return true;
    };
    std::string pending;
    std::vector<std::uint8_t> chunk(kChunk);
    while (const std::size_t n = in.Read(chunk.data(), chunk.size())) {
        const char* data = reinterpret_cast<const char*>(chunk.data());
        // Counting, a chunk of ASCII is looked at once, not line by line.
        const bool asciiChunk = counting && Ascii(std::string_view(data, n));
        std::size_t at = 0;
        while (at < n) {
            const auto* nl = static_cast<const char*>(std::memchr(data + at, '\n', n - at));
            const std::size_t end = nl ? static_cast<std::size_t>(nl - data) : n;
            if (nl && pending.empty()) {
                knownAscii = asciiChunk;
                if (!quick || !quickLine(data + at, end - at))
                    give(std::string_view(data + at, end - at));
            } else {
                pending.append(data + at, end - at);
                if (!nl) break;
                knownAscii = false;  // begun in the chunk before
                give(pending);
                pending.clear();
            }
            at = end + 1;
        }
    }
    knownAscii = false;
    const bool endsWithLine = pending.empty();
    if (!endsWithLine) give(pending);
    if (endsWithLine && emptyLines > 0 && (records_ > 0 || emptyLines > 1)) --emptyLines;
    for (; emptyLines > 0; --emptyLines) line("\r");
    flush();
}

std::vector<std::string> MeasureAll(const std::vector<std::shared_ptr<FileBlocks>>& files) {
    std::vector<std::string> refused(files.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next++) < files.size();) {
            try {
                files[i]->Lengths();
            } catch (const InputRefused& r) {
                refused[i] = r.Text;
            }
        }
    };
    const std::size_t helpers =
        std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), files.size());
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < helpers; ++t) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();
    return refused;
}

bool FileBlocks::VariableChain(Reader& in, std::uint64_t size, const Emit* emit) {
    // Checked first without making anything, then made.
    std::vector<std::uint8_t> block;
    std::uint64_t at = 0;
    std::vector<std::uint32_t> lengths;
    while (at < size) {
        std::uint8_t bdw[4];
        if (size - at < 4) return false;
        in.Exact(bdw, 4);
        const std::size_t length = static_cast<std::size_t>(bdw[0]) << 8 | bdw[1];
        if (length < 8 || length > options_.Format.Blksize || bdw[2] != 0 || bdw[3] != 0 ||
            length > size - at) {
            return false;
        }
        block.assign(bdw, bdw + 4);
        block.resize(length);
        in.Exact(block.data() + 4, length - 4);
        for (std::size_t r = 4; r < length;) {
            if (length - r < 4) return false;
            const std::size_t rl = static_cast<std::size_t>(block[r]) << 8 | block[r + 1];
            if (rl < 4 || rl > length - r || rl > options_.Format.Lrecl) return false;
            r += rl;
            ++records_;
        }
        lengths.push_back(static_cast<std::uint32_t>(length));
        if (emit) (*emit)(block.data(), block.size());
        at += length;
    }
    made_ = std::move(lengths);
    return true;
}

void FileBlocks::Binary(Reader& in, std::uint64_t size, const Emit* emit) {
    const WriteFormat& f = options_.Format;
    if (f.Kind == 'V') {
        if (!VariableChain(in, size, emit)) {
            if (emit) throw InputRefused{name_ + " changed while it was read"};
            throw InputRefused{name_ +
                               " is not variable-length blocks with their descriptor "
                               "words; give it as text or choose a fixed format"};
        }
        return;
    }
    if (f.Kind == 'F' && size % f.Lrecl != 0) {
        throw InputRefused{name_ + " holds " + std::to_string(size) +
                           " bytes, not a multiple of the record length " +
                           std::to_string(f.Lrecl)};
    }
    std::vector<std::uint32_t> lengths;
    std::uint64_t given = 0;
    for (std::uint32_t n : options_.BlockLengths) given += n;
    if (!options_.BlockLengths.empty() && given == size) {
        lengths = options_.BlockLengths;
    } else {
        const std::uint64_t cut = f.Kind == 'F' ? f.Blksize / f.Lrecl * f.Lrecl : f.Blksize;
        if (cut == 0) throw InputRefused{"The block size is too small for " + name_};
        for (std::uint64_t at = 0; at < size; at += cut) {
            lengths.push_back(static_cast<std::uint32_t>(std::min(cut, size - at)));
        }
    }
    records_ = f.Kind == 'F' ? static_cast<std::uint32_t>(size / f.Lrecl)
                             : static_cast<std::uint32_t>(lengths.size());
    if (emit) {
        std::vector<std::uint8_t> block;
        for (std::uint32_t n : lengths) {
            block.resize(n);
            in.Exact(block.data(), n);
            (*emit)(block.data(), n);
        }
    }
    made_ = std::move(lengths);
}

}  // namespace corvane::create
