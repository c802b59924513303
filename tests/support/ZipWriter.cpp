#include "ZipWriter.h"

#include <zlib.h>

#include <stdexcept>

namespace corvane::testing {

namespace {
void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutText(std::vector<std::uint8_t>& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
}
}  // namespace

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data) {
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())) + 16);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::vector<std::uint8_t> BuildZip(const ZipSpec& plan) {
    std::vector<std::uint8_t> file = plan.Prefix;
    std::vector<std::uint8_t> body;
    std::vector<std::uint8_t> central;
    for (const ZipEntrySpec& e : plan.Entries) {
        std::vector<std::uint8_t> packed = e.Method == 8 ? Deflate(e.Data) : e.Data;
        std::uint32_t crc =
            static_cast<std::uint32_t>(crc32(0, e.Data.data(), static_cast<uInt>(e.Data.size())));
        if (e.BadCrc) crc ^= 0x5A5A5A5A;
        const std::uint32_t offset = static_cast<std::uint32_t>(body.size());
        const std::string& localName = e.LocalName.empty() ? e.Name : e.LocalName;
        Put32(body, 0x04034B50);
        Put16(body, 20);
        Put16(body, e.Flags);
        Put16(body, e.Method);
        Put32(body, 0);
        Put32(body, crc);
        Put32(body, static_cast<std::uint32_t>(packed.size()));
        Put32(body, static_cast<std::uint32_t>(e.Data.size()));
        Put16(body, static_cast<std::uint32_t>(localName.size()));
        Put16(body, 0);
        PutText(body, localName);
        body.insert(body.end(), packed.begin(), packed.end());

        Put32(central, 0x02014B50);
        Put16(central, e.VersionMadeBy);
        Put16(central, 20);
        Put16(central, e.Flags);
        Put16(central, e.Method);
        Put32(central, 0);
        Put32(central, crc);
        Put32(central, static_cast<std::uint32_t>(packed.size()));
        Put32(central, static_cast<std::uint32_t>(e.Data.size()));
        Put16(central, static_cast<std::uint32_t>(e.Name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, offset);  // recorded as if the archive started the file
        PutText(central, e.Name);
    }
    file.insert(file.end(), body.begin(), body.end());
    file.insert(file.end(), central.begin(), central.end());
    std::vector<std::uint8_t> end;
    Put32(end, 0x06054B50);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, static_cast<std::uint32_t>(plan.Entries.size()));
    Put16(end, static_cast<std::uint32_t>(plan.Entries.size()));
    Put32(end, static_cast<std::uint32_t>(central.size()));
    Put32(end, static_cast<std::uint32_t>(body.size()));
    Put16(end, static_cast<std::uint32_t>(plan.Comment.size()));
    PutText(end, plan.Comment);
    file.insert(file.end(), end.begin(), end.end());
    file.insert(file.end(), plan.Trailer.begin(), plan.Trailer.end());
    if (plan.PadTo > 0) {
        while (file.size() % plan.PadTo != 0) file.push_back(0);
    }
    return file;
}

}  // namespace corvane::testing
