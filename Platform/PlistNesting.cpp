#include "PlistNesting.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace PlistNesting {
namespace {

// Counts open <array> and <dict> elements, skipping comments and CDATA, where
// a tag is only text. An empty element (<array/>) is a level that opens nothing.
bool xmlWithinDepth(std::string_view s, size_t maxDepth)
{
    size_t depth = 0;
    for (size_t i = s.find('<'); i != std::string_view::npos; i = s.find('<', i + 1)) {
        const std::string_view rest = s.substr(i);
        if (rest.starts_with("<!--") || rest.starts_with("<![CDATA[")) {
            i = s.find(rest[2] == '-' ? "-->" : "]]>", i);
            if (i == std::string_view::npos) return true; // unterminated: the parser refuses it
            continue;
        }
        const bool closing = rest.starts_with("</");
        const std::string_view name = rest.substr(closing ? 2 : 1);
        const size_t length = name.starts_with("array") ? 5 : name.starts_with("dict") ? 4 : 0;
        if (length == 0 || (name.size() > length && name[length] != '>' && name[length] != '/' &&
                            !std::isspace(static_cast<unsigned char>(name[length]))))
            continue;
        const size_t end = s.find('>', i);
        if (end == std::string_view::npos) return true;
        if (closing)
            depth -= depth > 0;
        else if (depth + 1 > maxDepth)
            return false;
        else if (s[end - 1] != '/')
            ++depth;
        i = end;
    }
    return true;
}

uint64_t bigEndian(const unsigned char* p, size_t n)
{
    uint64_t v = 0;
    while (n--) v = v << 8 | *p++;
    return v;
}

// Follows the object table from the top object with an explicit path, each
// container measured once (objects may be shared), a cycle refused.
class BinaryWalk {
public:
    explicit BinaryWalk(std::string_view s) : b_(reinterpret_cast<const unsigned char*>(s.data())), size_(s.size()) {}

    bool withinDepth(size_t maxDepth)
    {
        if (size_ < 8 + 32) return false;
        const unsigned char* trailer = b_ + size_ - 32;
        offsetSize_ = trailer[6];
        refSize_ = trailer[7];
        count_ = bigEndian(trailer + 8, 8);
        const uint64_t root = bigEndian(trailer + 16, 8);
        table_ = bigEndian(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8 || root >= count_ ||
            table_ > size_ - 32 || count_ > (size_ - 32 - table_) / offsetSize_)
            return false;
        height_.assign(count_, 0);
        onPath_.assign(count_, false);
        if (!enter(root, maxDepth)) return false;
        while (!path_.empty()) {
            Frame& f = path_.back();
            if (f.next == f.count) {
                const uint32_t h = height_[f.object] = f.height;
                onPath_[f.object] = false;
                path_.pop_back();
                if (!path_.empty()) path_.back().height = std::max(path_.back().height, h + 1);
                continue;
            }
            const uint64_t child = bigEndian(b_ + f.refs + f.next++ * refSize_, refSize_);
            if (child >= count_ || onPath_[child]) return false;
            if (height_[child]) {
                if (path_.size() + height_[child] > maxDepth) return false;
                f.height = std::max(f.height, height_[child] + 1);
            } else if (!enter(child, maxDepth)) {
                return false;
            }
        }
        return true;
    }

private:
    struct Frame {
        uint64_t object, refs, count, next;
        uint32_t height;
    };

    // Puts a container on the path; a scalar needs nothing. False when the
    // object cannot be read or the path gets too long.
    bool enter(uint64_t object, size_t maxDepth)
    {
        const uint64_t at = bigEndian(b_ + table_ + object * offsetSize_, offsetSize_);
        if (at >= table_) return false;
        const unsigned kind = b_[at] >> 4;
        if (kind < 0xA || kind > 0xD) return true; // arrays, ordered sets, sets, dictionaries
        uint64_t count = b_[at] & 0xF, refs = at + 1;
        if (count == 0xF) { // the count follows as an integer object
            if (refs >= table_) return false;
            const unsigned marker = b_[refs];
            const size_t length = size_t{1} << (marker & 0xF);
            if (marker >> 4 != 0x1 || length > 8 || refs + 1 + length > table_) return false;
            count = bigEndian(b_ + refs + 1, length);
            refs += 1 + length;
        }
        if (kind == 0xD) { // keys, then values
            if (count > UINT64_MAX / 2) return false;
            count *= 2;
        }
        if (count > (table_ - refs) / refSize_) return false;
        path_.push_back({object, refs, count, 0, 1});
        onPath_[object] = true;
        return path_.size() <= maxDepth;
    }

    const unsigned char* b_;
    uint64_t size_, table_ = 0, count_ = 0;
    size_t offsetSize_ = 0, refSize_ = 0;
    std::vector<uint32_t> height_; // containers measured: the levels they hold, themselves included
    std::vector<bool> onPath_;
    std::vector<Frame> path_;
};

} // namespace

bool isBinary(std::string_view bytes) { return bytes.starts_with("bplist00"); }

bool withinDepth(std::string_view bytes, size_t maxDepth)
{
    return isBinary(bytes) ? BinaryWalk(bytes).withinDepth(maxDepth) : xmlWithinDepth(bytes, maxDepth);
}

} // namespace PlistNesting
