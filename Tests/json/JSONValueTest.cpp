#include "JSONTestSupport.h"

#include <functional>
#include <map>
#include <random>
#include <stdexcept>

namespace {

// Read-only containers refuse changes as a misuse of the object, not of the
// argument; mutable ones refuse bad arguments and stay as they were.
TEST(Containers, RefuseChangesTheyCannotMake)
{
    const auto value = parseBytes("[[1],{\"a\":1}]").value;
    ASSERT_TRUE(value);
    JSONValue a = JSONValue::mutableArray();
    JSONArray& array = *a.array();
    array.addObject(1);
    const std::string immutable = "mutating method sent to immutable object";
    const std::pair<std::function<void()>, std::string> logicErrors[] = {
        {[&] { element(*value, 0).array()->addObject(2); }, "*** -[JSONArray addObject:]: " + immutable},
        {[&] { element(*value, 1).dictionary()->removeObjectForKey("a"); },
         "*** -[JSONDictionary removeObjectForKey:]: " + immutable},
    };
    for (const auto& [call, message] : logicErrors) {
        EXPECT_EQ(thrownMessage<std::invalid_argument>(call), "<other exception>") << message;
        EXPECT_EQ(thrownMessage<std::logic_error>(call), message);
    }
    const std::pair<std::function<void()>, std::string> invalidArguments[] = {
        {[&] { array.insertObject(std::nullopt, 0); }, "-[JSONArray insertObject:atIndex:]: attempt to insert nil"},
        {[&] { array.objectAtIndex(1); }, "-[JSONArray objectAtIndex:]: index (1) beyond bounds (1)"},
    };
    for (const auto& [call, message] : invalidArguments) EXPECT_EQ(thrownMessage<std::invalid_argument>(call), "*** " + message);
    EXPECT_EQ(compact(*value) + compact(a), "[[1],{\"a\":1}][1]");
}

// Random edits of a dictionary against a standard map. Long keys and values,
// so that lost or doubled references show under the sanitizers.
TEST(Containers, DictionaryEditsFollowAStandardMap)
{
    std::mt19937 random(11);
    JSONValue value = JSONValue::mutableDictionary();
    JSONDictionary& dictionary = *value.dictionary();
    std::map<std::string, std::string> map;
    for (int step = 0; step < 4000; ++step) {
        const std::string key = (random() % 2 ? "k" : "a much longer key number ") + std::to_string(random() % 60);
        const std::string item = "item number " + std::to_string(step) + " with a long tail";
        if (random() % 3) {
            dictionary.setObject(item, key);
            map[key] = item;
        } else {
            dictionary.removeObjectForKey(key);
            map.erase(key);
        }
        ASSERT_EQ(dictionary.count(), map.size()) << step;
    }
    size_t seen = 0;
    for (const JSONDictionary::Entry& entry : dictionary) {
        EXPECT_EQ(entry.value.stringValue(), map[std::string(entry.key.stringValue())]);
        ++seen;
    }
    EXPECT_EQ(seen, map.size());
}

TEST(Values, EqualityComparesNumbersByValue)
{
    const struct {
        JSONValue a, b;
        bool equal;
    } cases[] = {
        {1.0, 1u, true}, {-1.0, -1, true}, {-0.0, 0.0, true}, {1.5, 1, false}, {-1, UINT64_MAX, false},
        {18446744073709551615.0, UINT64_MAX, false}, // the double is 2^64
        {9007199254740993ll, 9007199254740992.0, false}, {true, 1, false}, {false, nullptr, false},
        {"a", "a", true}, {"a", "b", false}, {JSONValue(std::string(30, 'x')), JSONValue(std::string(30, 'x')), true},
        {*parseBytes("{\"a\":[1,{\"b\":null}],\"c\":2}").value, *parseBytes("{\"c\":2.0,\"a\":[1,{\"b\":null}]}").value, true},
        {*parseBytes("{\"a\":[1,{\"b\":null}],\"c\":2}").value, *parseBytes("{\"c\":2,\"a\":[1,{\"b\":false}]}").value, false},
    };
    for (const auto& c : cases)
        EXPECT_TRUE((c.a == c.b) == c.equal && (c.b == c.a) == c.equal) << c.a.className() << " " << c.b.className();
}

TEST(Values, StringsKeepTheirBytesAndNumbersConvert)
{
    for (size_t length : {0, 1, 14, 15, 100}) {
        const JSONValue value(std::string(length, 'q'));
        EXPECT_TRUE(value.stringValue() == std::string(length, 'q') && value.isValidUTF8()) << length;
    }
    EXPECT_FALSE(JSONValue(std::string("\xc3")).isValidUTF8());
    EXPECT_EQ(JSONValue(2.9).int64Value(), 2);
    EXPECT_EQ(JSONValue(-1).uint64Value(), UINT64_MAX);
    EXPECT_EQ(JSONValue(1e30).int64Value(), INT64_MAX);
}

} // namespace
