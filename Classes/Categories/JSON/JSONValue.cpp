#include "JSONValue.h"

#include "JSONArray.h"
#include "JSONDictionary.h"
#include "JSONUnicode.h"
#include "JSONValueStorage.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

using JSONDetail::ForeignRep;
using JSONDetail::StringRep;
using JSONDetail::ValueAccess;

JSONValue::JSONValue(std::string_view utf8)
{
    const bool valid = JSONUnicode::isValidUTF8(utf8);
    if (utf8.size() <= kShortCapacity) {
        ValueAccess::makeShortString(*this, utf8.data(), utf8.size(), valid);
    } else {
        ValueAccess::adoptLongString(*this, StringRep::create(utf8.data(), utf8.size()), valid);
    }
}

JSONValue::JSONValue(std::shared_ptr<const JSONForeignObject> object)
{
    if (!object) {
        setTag(kNull);
        return;
    }
    auto* rep = new ForeignRep;
    rep->object = std::move(object);
    setTag(kForeign);
    setPayload<void*>(rep);
}

JSONValue::JSONValue(const JSONArray& array) noexcept
{
    setTag(kArray);
    setPayload<const void*>(&array);
    retain();
}

JSONValue::JSONValue(const JSONDictionary& dictionary) noexcept
{
    setTag(kDictionary);
    setPayload<const void*>(&dictionary);
    retain();
}

JSONValue JSONValue::mutableArray(size_t capacity)
{
    return ValueAccess::adoptArray(JSONArray::create(capacity, true));
}

JSONValue JSONValue::mutableDictionary(size_t capacity)
{
    return ValueAccess::adoptDictionary(JSONDictionary::create(capacity, true));
}

JSONValue::Type JSONValue::type() const noexcept
{
    switch (tag()) {
    case kNull: return Type::Null;
    case kBoolean: return Type::Boolean;
    case kSigned: return Type::SignedInteger;
    case kUnsigned: return Type::UnsignedInteger;
    case kDouble: return Type::Double;
    case kShortString:
    case kLongString: return Type::String;
    case kArray: return Type::Array;
    case kDictionary: return Type::Dictionary;
    default: return Type::Foreign;
    }
}

bool JSONValue::boolValue() const noexcept
{
    switch (tag()) {
    case kBoolean:
    case kUnsigned: return payload<uint64_t>() != 0;
    case kSigned: return payload<int64_t>() != 0;
    case kDouble: return payload<double>() != 0.0;
    default: return false;
    }
}

int64_t JSONValue::int64Value() const noexcept
{
    switch (tag()) {
    case kBoolean:
    case kUnsigned: return static_cast<int64_t>(payload<uint64_t>());
    case kSigned: return payload<int64_t>();
    case kDouble: {
        const double d = payload<double>();
        if (!(d > -9223372036854775808.0)) return d == -9223372036854775808.0 ? INT64_MIN : 0;
        return d < 9223372036854775808.0 ? static_cast<int64_t>(d) : INT64_MAX;
    }
    default: return 0;
    }
}

uint64_t JSONValue::uint64Value() const noexcept
{
    switch (tag()) {
    case kBoolean:
    case kUnsigned: return payload<uint64_t>();
    case kSigned: return static_cast<uint64_t>(payload<int64_t>());
    case kDouble: {
        const double d = payload<double>();
        if (!(d >= 0.0)) return 0;
        return d < 18446744073709551616.0 ? static_cast<uint64_t>(d) : UINT64_MAX;
    }
    default: return 0;
    }
}

double JSONValue::doubleValue() const noexcept
{
    switch (tag()) {
    case kBoolean:
    case kUnsigned: return static_cast<double>(payload<uint64_t>());
    case kSigned: return static_cast<double>(payload<int64_t>());
    case kDouble: return payload<double>();
    default: return 0.0;
    }
}

std::string_view JSONValue::stringValue() const noexcept
{
    if (tag() == kShortString) return {reinterpret_cast<const char*>(bytes_ + 2), bytes_[1]};
    if (tag() == kLongString) {
        auto* rep = static_cast<const StringRep*>(pointer());
        return {rep->data(), rep->length};
    }
    return {};
}

JSONArray* JSONValue::array() const noexcept
{
    return tag() == kArray ? static_cast<JSONArray*>(pointer()) : nullptr;
}

JSONDictionary* JSONValue::dictionary() const noexcept
{
    return tag() == kDictionary ? static_cast<JSONDictionary*>(pointer()) : nullptr;
}

const JSONForeignObject* JSONValue::foreignObject() const noexcept
{
    return tag() == kForeign ? static_cast<ForeignRep*>(pointer())->object.get() : nullptr;
}

std::string JSONValue::className() const
{
    switch (tag()) {
    case kNull: return "JSONNull";
    case kBoolean: return "JSONBoolean";
    case kSigned:
    case kUnsigned:
    case kDouble: return "JSONNumber";
    case kShortString:
    case kLongString: return "JSONStringValue";
    case kArray: return "JSONArray";
    case kDictionary: return "JSONDictionary";
    default: return foreignObject()->className();
    }
}

void JSONValue::retain() const noexcept
{
    switch (tag()) {
    case kLongString: static_cast<StringRep*>(pointer())->refs.fetch_add(1, std::memory_order_relaxed); break;
    case kArray: static_cast<JSONArray*>(pointer())->refs_.fetch_add(1, std::memory_order_relaxed); break;
    case kDictionary: static_cast<JSONDictionary*>(pointer())->refs_.fetch_add(1, std::memory_order_relaxed); break;
    case kForeign: static_cast<ForeignRep*>(pointer())->refs.fetch_add(1, std::memory_order_relaxed); break;
    default: break;
    }
}

void JSONValue::release() noexcept
{
    switch (tag()) {
    case kLongString: {
        auto* rep = static_cast<StringRep*>(pointer());
        if (rep->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) StringRep::destroy(rep);
        break;
    }
    case kArray: {
        auto* array = static_cast<JSONArray*>(pointer());
        if (array->refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) JSONDetail::ContainerRelease::destroyArray(array);
        break;
    }
    case kDictionary: {
        auto* dictionary = static_cast<JSONDictionary*>(pointer());
        if (dictionary->refs_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            JSONDetail::ContainerRelease::destroyDictionary(dictionary);
        break;
    }
    case kForeign: {
        auto* rep = static_cast<ForeignRep*>(pointer());
        if (rep->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete rep;
        break;
    }
    default: break;
    }
    setTag(kNull);
}

namespace {

bool integerEqualsDouble(int64_t i, double d)
{
    return d >= -9223372036854775808.0 && d < 9223372036854775808.0 && std::trunc(d) == d && static_cast<int64_t>(d) == i;
}

bool unsignedEqualsDouble(uint64_t u, double d)
{
    return d >= 0.0 && d < 18446744073709551616.0 && std::trunc(d) == d && static_cast<uint64_t>(d) == u;
}

bool numbersEqual(const JSONValue& a, const JSONValue& b)
{
    using T = JSONValue::Type;
    const T ta = a.type(), tb = b.type();
    if (ta == T::Double && tb == T::Double) return a.doubleValue() == b.doubleValue();
    if (ta == T::Double) return numbersEqual(b, a);
    // a is an integer from here on.
    if (tb == T::Double) {
        return ta == T::SignedInteger ? integerEqualsDouble(a.int64Value(), b.doubleValue())
                                      : unsignedEqualsDouble(a.uint64Value(), b.doubleValue());
    }
    if (ta == T::SignedInteger && tb == T::SignedInteger) return a.int64Value() == b.int64Value();
    if (ta == T::SignedInteger && a.int64Value() < 0) return false;
    if (tb == T::SignedInteger && b.int64Value() < 0) return false;
    return a.uint64Value() == b.uint64Value();
}

// Compares everything but the children of containers; those are queued.
bool shallowEqual(const JSONValue& a, const JSONValue& b, std::vector<std::pair<const JSONValue*, const JSONValue*>>& work)
{
    if (a.isNumber() && b.isNumber()) return numbersEqual(a, b);
    if (a.type() != b.type()) return false;
    switch (a.type()) {
    case JSONValue::Type::Null: return true;
    case JSONValue::Type::Boolean: return a.boolValue() == b.boolValue();
    case JSONValue::Type::String: return a.stringValue() == b.stringValue();
    case JSONValue::Type::Foreign: return a.foreignObject() == b.foreignObject();
    case JSONValue::Type::Array: {
        const JSONArray& x = *a.array();
        const JSONArray& y = *b.array();
        if (&x == &y) return true;
        if (x.count() != y.count()) return false;
        for (size_t i = 0; i < x.count(); ++i) work.emplace_back(x.begin() + i, y.begin() + i);
        return true;
    }
    case JSONValue::Type::Dictionary: {
        const JSONDictionary& x = *a.dictionary();
        const JSONDictionary& y = *b.dictionary();
        if (&x == &y) return true;
        if (x.count() != y.count()) return false;
        using Entry = JSONDictionary::Entry;
        std::vector<const Entry*> xs, ys;
        for (const Entry& e : x) xs.push_back(&e);
        for (const Entry& e : y) ys.push_back(&e);
        auto byKey = [](const Entry* l, const Entry* r) { return l->key.stringValue() < r->key.stringValue(); };
        std::sort(xs.begin(), xs.end(), byKey);
        std::sort(ys.begin(), ys.end(), byKey);
        for (size_t i = 0; i < xs.size(); ++i) {
            if (xs[i]->key.stringValue() != ys[i]->key.stringValue()) return false;
            work.emplace_back(&xs[i]->value, &ys[i]->value);
        }
        return true;
    }
    default: return false;
    }
}

} // namespace

bool JSONValue::operator==(const JSONValue& other) const
{
    std::vector<std::pair<const JSONValue*, const JSONValue*>> work{{this, &other}};
    while (!work.empty()) {
        auto [a, b] = work.back();
        work.pop_back();
        if (!shallowEqual(*a, *b, work)) return false;
    }
    return true;
}
