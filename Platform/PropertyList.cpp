#include "PropertyList.h"

#include <plist/plist.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

bool PlistValue::boolValue() const
{
    switch (type()) {
    case Type::Boolean: return std::get<bool>(v_);
    case Type::Integer: return std::get<int64_t>(v_) != 0;
    case Type::Real: return std::get<double>(v_) != 0.0;
    default: return false;
    }
}

int64_t PlistValue::integerValue() const
{
    switch (type()) {
    case Type::Boolean: return std::get<bool>(v_) ? 1 : 0;
    case Type::Integer: return std::get<int64_t>(v_);
    case Type::Real: {
        const double d = std::get<double>(v_);
        if (!std::isfinite(d)) return 0;
        if (d >= 9.2e18) return INT64_MAX;
        if (d <= -9.2e18) return INT64_MIN;
        return static_cast<int64_t>(d);
    }
    default: return 0;
    }
}

double PlistValue::doubleValue() const
{
    switch (type()) {
    case Type::Boolean: return std::get<bool>(v_) ? 1.0 : 0.0;
    case Type::Integer: return static_cast<double>(std::get<int64_t>(v_));
    case Type::Real: return std::get<double>(v_);
    default: return 0.0;
    }
}

namespace PropertyList {
namespace {

struct NodeDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

plist_t toNode(const PlistValue& value)
{
    switch (value.type()) {
    case PlistValue::Type::Boolean: return plist_new_bool(value.boolValue() ? 1 : 0);
    case PlistValue::Type::Integer: return plist_new_uint(static_cast<uint64_t>(value.integerValue()));
    case PlistValue::Type::Real: return plist_new_real(value.doubleValue());
    case PlistValue::Type::String: return plist_new_string(value.string()->c_str());
    case PlistValue::Type::Data: {
        const auto& d = *value.data();
        return plist_new_data(reinterpret_cast<const char*>(d.data()), d.size());
    }
    case PlistValue::Type::Date: {
        const double s = value.date()->secondsSince2001;
        const double whole = std::floor(s);
        return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>(std::lround((s - whole) * 1e6)));
    }
    case PlistValue::Type::Array: {
        plist_t node = plist_new_array();
        for (const auto& item : *value.array()) plist_array_append_item(node, toNode(item));
        return node;
    }
    case PlistValue::Type::Dictionary: {
        plist_t node = plist_new_dict();
        for (const auto& [key, item] : *value.dictionary()) plist_dict_set_item(node, key.c_str(), toNode(item));
        return node;
    }
    }
    return plist_new_bool(0);
}

std::optional<PlistValue> fromNode(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return PlistValue(b != 0);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return PlistValue(static_cast<long long>(u)); // negatives are stored two's complement
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return PlistValue(d);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        char* s = nullptr;
        plist_get_string_val(node, &s);
        PlistValue v(std::string(s ? s : ""));
        std::free(s);
        return v;
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t len = 0;
        plist_get_data_val(node, &bytes, &len);
        PlistValue::Data d(reinterpret_cast<uint8_t*>(bytes), reinterpret_cast<uint8_t*>(bytes) + len);
        std::free(bytes);
        return PlistValue(std::move(d));
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return PlistValue(PlistValue::Date{sec + usec / 1e6});
    }
    case PLIST_ARRAY: {
        PlistValue::Array a;
        const uint32_t n = plist_array_get_size(node);
        a.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            auto item = fromNode(plist_array_get_item(node, i));
            if (!item) return std::nullopt;
            a.push_back(std::move(*item));
        }
        return PlistValue(std::move(a));
    }
    case PLIST_DICT: {
        PlistValue::Dictionary d;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, it, &key, &item);
            if (!key) break;
            auto value = fromNode(item);
            std::string k(key);
            std::free(key);
            if (!value) {
                std::free(it);
                return std::nullopt;
            }
            d.insert_or_assign(std::move(k), std::move(*value));
        }
        std::free(it);
        return PlistValue(std::move(d));
    }
    default: return std::nullopt;
    }
}

} // namespace

std::optional<PlistValue> parse(const std::string& bytes)
{
    if (bytes.empty() || bytes.size() > UINT32_MAX) return std::nullopt;
    plist_t raw = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &raw);
    if (!raw) return std::nullopt;
    Node node(raw);
    return fromNode(raw);
}

std::string serialize(const PlistValue& value, Format format)
{
    Node node(toNode(value));
    char* out = nullptr;
    uint32_t len = 0;
    if (format == Format::XML) {
        plist_to_xml(node.get(), &out, &len);
        std::string s(out ? out : "", len);
        plist_to_xml_free(out);
        return s;
    }
    plist_to_bin(node.get(), &out, &len);
    std::string s(out ? out : "", len);
    plist_to_bin_free(out);
    return s;
}

std::optional<PlistValue> readFile(const std::string& path, bool* missing)
{
    std::ifstream in(path, std::ios::binary);
    if (missing) *missing = !in && errno == ENOENT;
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return parse(bytes.str());
}

bool writeFile(const std::string& path, const PlistValue& value, Format format)
{
    const std::string bytes = serialize(value, format);
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const bool ok = written == bytes.size() && ::fchmod(fd, 0600) == 0 && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

} // namespace PropertyList
