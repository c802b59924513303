#include "create/FileBlocks.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "io/AtomicWriter.h"
#include "io/Platform.h"

namespace corvane::create {

namespace {

using Reverse = std::unordered_map<char32_t, std::uint8_t>;

const Reverse& ReverseOf(const CodePage& page) {
    static std::mutex lock;
    static std::map<int, std::unique_ptr<Reverse>> tables;
    std::lock_guard<std::mutex> hold(lock);
    auto& table = tables[page.Number()];
    if (!table) {
        table = std::make_unique<Reverse>();
        for (int b = 255; b >= 0; --b) {
            (*table)[page.CodePoint(static_cast<std::uint8_t>(b))] = static_cast<std::uint8_t>(b);
        }
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

}  // namespace

bool EncodeLine(std::string_view line, const CodePage* characters, std::vector<std::uint8_t>& out,
                std::size_t& bad) {
    const Reverse& reverse = ReverseOf(characters ? *characters : CodePage::Default());
    out.clear();
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = at;
        const char32_t c = NextCodePoint(line, at);
        const auto it = reverse.find(c);
        if (it == reverse.end()) {
            bad = start;
            return false;
        }
        out.push_back(it->second);
    }
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
    std::vector<std::uint8_t> block;
    std::vector<std::uint8_t> record;
    auto flush = [&] {
        if (block.empty()) return;
        if (variable) {
            block[0] = static_cast<std::uint8_t>(block.size() >> 8);
            block[1] = static_cast<std::uint8_t>(block.size());
        }
        made_.push_back(static_cast<std::uint32_t>(block.size()));
        if (emit) (*emit)(block.data(), block.size());
        block.clear();
    };
    std::uint32_t lineNumber = 0;
    auto line = [&](std::string_view text) {
        ++lineNumber;
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        std::size_t bad = 0;
        if (!EncodeLine(text, options_.Characters, record, bad)) {
            throw InputRefused{"Line " + std::to_string(lineNumber) + " of " + name_ +
                               " holds a character the code page has no code for (at byte " +
                               std::to_string(bad + 1) + ")"};
        }
        if (record.size() > room) {
            if (!options_.Truncate) {
                throw InputRefused{"Line " + std::to_string(lineNumber) + " of " + name_ + " is " +
                                   std::to_string(record.size()) +
                                   " characters long, more than the record length " +
                                   std::to_string(room) + " (--truncate cuts it)"};
            }
            record.resize(room);
        }
        if (variable) {
            if (record.empty()) record.push_back(0x40);  // as the editor stores an empty line
            const std::size_t length = record.size() + 4;
            if (!block.empty() && (block.size() + length > blksize || !f.Blocked)) flush();
            if (block.empty()) block.assign(4, 0);
            block.push_back(static_cast<std::uint8_t>(length >> 8));
            block.push_back(static_cast<std::uint8_t>(length));
            block.push_back(0);
            block.push_back(0);
            block.insert(block.end(), record.begin(), record.end());
        } else {
            record.resize(lrecl, 0x40);
            if (block.size() + lrecl > blksize) flush();
            block.insert(block.end(), record.begin(), record.end());
        }
        ++records_;
    };
    // Text files the program writes end their last record with an empty
    // line ended by CR LF; that line is no record. Lines are held back by
    // one to know which is last.
    std::string pending;
    std::optional<std::string> held;
    std::vector<std::uint8_t> chunk(kChunk);
    while (const std::size_t n = in.Read(chunk.data(), chunk.size())) {
        std::size_t at = 0;
        while (at < n) {
            const auto* nl =
                static_cast<const std::uint8_t*>(std::memchr(chunk.data() + at, '\n', n - at));
            const std::size_t end = nl ? static_cast<std::size_t>(nl - chunk.data()) : n;
            pending.append(reinterpret_cast<const char*>(chunk.data() + at), end - at);
            if (!nl) break;
            if (held) line(*held);
            held = std::move(pending);
            pending.clear();
            at = end + 1;
        }
    }
    if (held && !(pending.empty() && *held == "\r" && records_ > 0)) line(*held);
    if (!pending.empty()) line(pending);
    flush();
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
