#include "PropertyList.h"

#include "PlistNesting.h"

#include <plist/plist.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

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
    if (bytes.empty() || bytes.size() > UINT32_MAX || !PlistNesting::withinDepth(bytes, kMaxNesting))
        return std::nullopt;
    // Only the two formats measured above reach the library.
    plist_t raw = nullptr;
    const auto length = static_cast<uint32_t>(bytes.size());
    if (PlistNesting::isBinary(bytes))
        plist_from_bin(bytes.data(), length, &raw);
    else
        plist_from_xml(bytes.data(), length, &raw);
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

std::optional<PlistValue> readFile(const std::string& path, ReadFailure* failure)
{
    const auto fail = [&](ReadFailure::Kind kind, int error) -> std::optional<PlistValue> {
        if (failure) *failure = {kind, error ? std::generic_category().message(error) : std::string()};
        return std::nullopt;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return fail(error == ENOENT ? ReadFailure::Kind::Missing : ReadFailure::Kind::Unreadable, error);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return fail(ReadFailure::Kind::Unreadable, error);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    auto value = parse(bytes);
    if (!value) return fail(ReadFailure::Kind::NotAPropertyList, 0);
    return value;
}

std::optional<PlistValue> readFile(const std::string& path, bool* missing)
{
    ReadFailure failure;
    auto value = readFile(path, &failure);
    if (missing) *missing = !value && failure.kind == ReadFailure::Kind::Missing;
    return value;
}

std::string linkTarget(const std::string& path)
{
    fs::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(current, ec))) break;
        const fs::path next = fs::read_symlink(current, ec);
        if (ec) break;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current.string();
}

bool writeFile(const std::string& linkOrPath, const PlistValue& value, Format format)
{
    const std::string path = linkTarget(linkOrPath);
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? existing.st_mode & 07777 : 0600;
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
    const bool ok = written == bytes.size() && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
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
