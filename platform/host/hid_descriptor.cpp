// Host stand-in: parsing a HID report descriptor item by item.
#include "platform/host/hid_descriptor.h"

#include <map>

namespace host {
namespace {

constexpr std::uint32_t kMaxReportBytes = 0xFFFF;

struct GlobalState {
    std::uint16_t usagePage = 0;
    std::int32_t logicalMin = 0;
    std::int32_t logicalMax = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

struct LocalState {
    std::vector<std::uint32_t> usages;  // page in the high half when given with 4 bytes
    std::uint32_t usageMin = 0;
    std::uint32_t usageMax = 0;
    bool hasMin = false;
    bool hasMax = false;
};

std::int32_t Signed(std::uint32_t data, int size) {
    if (size == 1) return static_cast<std::int8_t>(data);
    if (size == 2) return static_cast<std::int16_t>(data);
    return static_cast<std::int32_t>(data);
}

class Parser {
public:
    explicit Parser(ParsedDescriptor& out) : out_(out) {}

    bool Item(std::uint8_t prefix, std::uint32_t data, int size) {
        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        if (type == 0) return Main(tag, data);
        if (type == 1) return Global(tag, data, size);
        if (type == 2) Local(tag, data);
        return true;
    }

    bool Finish() {
        if (depth_ != 0) return false;
        for (const auto& [key, bits] : reportBits_) {
            // The capabilities give report lengths in 16 bits: a longer report has no
            // length to give, and the system's parser refuses its descriptor too.
            if ((bits + 7) / 8 > kMaxReportBytes) return false;
            const std::uint16_t bytes = static_cast<std::uint16_t>((bits + 7) / 8);
            std::uint16_t& length = key.first == HidP_Input    ? out_.inputLength
                                    : key.first == HidP_Output ? out_.outputLength
                                                               : out_.featureLength;
            if (bytes > length) length = bytes;
        }
        return true;
    }

private:
    bool Main(int tag, std::uint32_t data) {
        switch (tag) {
        case 0x8: AddFields(HidP_Input, data); break;
        case 0x9: AddFields(HidP_Output, data); break;
        case 0xB: AddFields(HidP_Feature, data); break;
        case 0xA:
            if (depth_ == 0 && out_.collections == 0) {
                const std::uint32_t usage = local_.usages.empty() ? 0 : local_.usages.front();
                out_.usage = static_cast<std::uint16_t>(usage);
                out_.usagePage =
                    usage > 0xFFFF ? static_cast<std::uint16_t>(usage >> 16) : global_.usagePage;
            }
            ++out_.collections;
            ++depth_;
            break;
        case 0xC:
            if (depth_ == 0) return false;
            --depth_;
            break;
        default: break;
        }
        local_ = LocalState();
        return true;
    }

    bool Global(int tag, std::uint32_t data, int size) {
        switch (tag) {
        case 0x0: global_.usagePage = static_cast<std::uint16_t>(data); break;
        case 0x1: global_.logicalMin = Signed(data, size); break;
        case 0x2: global_.logicalMax = Signed(data, size); break;
        case 0x7:
            if (data > kMaxReportBytes * 8) return false;
            global_.reportSize = data;
            break;
        case 0x8:
            if (data == 0 || data > 0xFF) return false;
            global_.reportId = static_cast<std::uint8_t>(data);
            break;
        case 0x9: global_.reportCount = data; break;
        case 0xA: stack_.push_back(global_); break;
        case 0xB:
            if (stack_.empty()) return false;
            global_ = stack_.back();
            stack_.pop_back();
            break;
        default: break;
        }
        return true;
    }

    void Local(int tag, std::uint32_t data) {
        switch (tag) {
        case 0x0: local_.usages.push_back(data); break;
        case 0x1:
            local_.usageMin = data;
            local_.hasMin = true;
            break;
        case 0x2:
            local_.usageMax = data;
            local_.hasMax = true;
            break;
        default: break;
        }
    }

    std::uint64_t& BitsOf(HIDP_REPORT_TYPE type) {
        auto key = std::make_pair(type, global_.reportId);
        auto it = reportBits_.find(key);
        if (it == reportBits_.end()) it = reportBits_.emplace(key, 8).first;  // the id byte
        return it->second;
    }

    HidField Base(HIDP_REPORT_TYPE type, std::uint32_t flags, std::uint32_t offset) const {
        HidField f;
        f.type = type;
        f.reportId = global_.reportId;
        f.bitOffset = offset;
        f.bitSize = static_cast<std::uint16_t>(global_.reportSize);
        f.usagePage = global_.usagePage;
        f.isConstant = (flags & 1) != 0;
        f.isArray = (flags & 2) == 0;
        f.isButton = f.isArray || global_.reportSize == 1;
        f.logicalMin = global_.logicalMin;
        f.logicalMax = global_.logicalMax;
        // A maximum written as a short negative number stands for an unsigned one.
        if (f.logicalMax < f.logicalMin && f.logicalMin >= 0) {
            f.logicalMax = static_cast<std::int32_t>(static_cast<std::uint16_t>(f.logicalMax));
        }
        f.linkCollection = 0;
        return f;
    }

    void AddFields(HIDP_REPORT_TYPE type, std::uint32_t flags) {
        std::uint64_t& bits = BitsOf(type);
        const std::uint64_t start = bits;
        const std::uint32_t count = global_.reportCount;
        bits += std::uint64_t{global_.reportSize} * count;
        // Fields past the longest report the capabilities can describe make the descriptor
        // invalid (Finish); none of them is kept, so no offset is ever cut.
        if (bits > std::uint64_t{kMaxReportBytes} * 8) return;
        HidField base = Base(type, flags, static_cast<std::uint32_t>(start));
        if (base.isConstant || count == 0 || global_.reportSize == 0) return;  // padding
        if (base.isArray || (local_.usages.empty() && local_.hasMin && local_.hasMax)) {
            base.isRange = true;
            base.usageMin = static_cast<std::uint16_t>(local_.usageMin);
            base.usageMax = static_cast<std::uint16_t>(local_.usageMax);
            if (!local_.usages.empty())
                base.usageMin = base.usageMax = static_cast<std::uint16_t>(local_.usages.front());
            base.count = static_cast<std::uint16_t>(count);
            out_.fields.push_back(base);
            return;
        }
        if (local_.usages.empty()) return;
        // A list of usages: one per element, the last one taking the remaining elements.
        for (std::uint32_t i = 0; i < local_.usages.size() && i < count; ++i) {
            HidField f = base;
            f.usageMin = f.usageMax = static_cast<std::uint16_t>(local_.usages[i]);
            f.bitOffset = static_cast<std::uint32_t>(start + i * global_.reportSize);
            const bool last = i + 1 == local_.usages.size();
            f.count = static_cast<std::uint16_t>(last ? count - i : 1);
            out_.fields.push_back(f);
        }
    }

    ParsedDescriptor& out_;
    GlobalState global_;
    LocalState local_;
    std::vector<GlobalState> stack_;
    int depth_ = 0;
    std::map<std::pair<HIDP_REPORT_TYPE, std::uint8_t>, std::uint64_t> reportBits_;
};

}  // namespace

std::uint16_t ParsedDescriptor::LengthOf(HIDP_REPORT_TYPE type) const {
    return type == HidP_Input ? inputLength : type == HidP_Output ? outputLength : featureLength;
}

ParsedDescriptor ParseReportDescriptor(const std::vector<std::uint8_t>& d) {
    ParsedDescriptor out;
    Parser parser(out);
    std::size_t i = 0;
    while (i < d.size()) {
        const std::uint8_t prefix = d[i++];
        if (prefix == 0xFE) return out;  // long items are not supported
        const int size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (i + size > d.size()) return out;
        std::uint32_t data = 0;
        for (int b = 0; b < size; ++b)
            data |= static_cast<std::uint32_t>(d[i + b]) << (8 * b);
        i += size;
        if (!parser.Item(prefix, data, size)) return out;
    }
    out.valid = parser.Finish();
    return out;
}

}  // namespace host
