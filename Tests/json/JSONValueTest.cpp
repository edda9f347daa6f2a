#include "JSONTestSupport.h"

#include <map>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

template <class Exception, class F> std::string thrownMessage(F&& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.what();
    } catch (...) {
        return "<other exception>";
    }
    return "<nothing thrown>";
}

TEST(Containers, ReadOnlyContainersRefuseChanges)
{
    const auto value = parseBytes("[[1],{\"a\":1}]").value;
    ASSERT_TRUE(value);
    JSONArray* array = element(*value, 0).array();
    JSONDictionary* dictionary = element(*value, 1).dictionary();
    EXPECT_EQ(thrownMessage<std::logic_error>([&] { array->addObject(2); }),
              "*** -[JSONArray addObject:]: mutating method sent to immutable object");
    EXPECT_EQ(thrownMessage<std::logic_error>([&] { array->removeLastObject(); }),
              "*** -[JSONArray removeLastObject]: mutating method sent to immutable object");
    EXPECT_EQ(thrownMessage<std::logic_error>([&] { dictionary->setObject(1, "b"); }),
              "*** -[JSONDictionary setObject:forKey:]: mutating method sent to immutable object");
    EXPECT_EQ(thrownMessage<std::logic_error>([&] { dictionary->removeObjectForKey("a"); }),
              "*** -[JSONDictionary removeObjectForKey:]: mutating method sent to immutable object");
    // Not an invalid-argument failure: the caller's argument was fine.
    EXPECT_EQ(thrownMessage<std::invalid_argument>([&] { array->removeAllObjects(); }), "<other exception>");
    EXPECT_EQ(array->count(), 1u);
    EXPECT_EQ(dictionary->count(), 1u);
}

TEST(Containers, ContractFailuresAreInvalidArguments)
{
    JSONValue a = JSONValue::mutableArray();
    JSONValue d = JSONValue::mutableDictionary();
    JSONArray& array = *a.array();
    JSONDictionary& dictionary = *d.dictionary();
    array.addObject(1);
    array.addObject(2);
    array.addObject(3);
    const struct {
        std::function<void()> call;
        std::string message;
    } cases[] = {
        {[&] { array.addObject(std::nullopt); }, "*** -[JSONArray addObject:]: attempt to insert nil"},
        {[&] { array.insertObject(std::nullopt, 0); }, "*** -[JSONArray insertObject:atIndex:]: attempt to insert nil"},
        {[&] { array.insertObject(4, 4); }, "*** -[JSONArray insertObject:atIndex:]: index (4) beyond bounds (3)"},
        {[&] { array.objectAtIndex(5); }, "*** -[JSONArray objectAtIndex:]: index (5) beyond bounds (3)"},
        {[&] { array.removeObjectAtIndex(3); }, "*** -[JSONArray removeObjectAtIndex:]: index (3) beyond bounds (3)"},
        {[&] { array.replaceObjectAtIndex(0, std::nullopt); },
         "*** -[JSONArray replaceObjectAtIndex:withObject:]: attempt to insert nil"},
        {[&] { dictionary.setObject(1, std::nullopt); }, "*** -[JSONDictionary setObject:forKey:]: attempt to insert nil key"},
        {[&] { dictionary.setObject(std::nullopt, "k"); },
         "*** -[JSONDictionary setObject:forKey:]: attempt to insert nil value (key: k)"},
        {[&] { dictionary.removeObjectForKey(std::nullopt); },
         "*** -[JSONDictionary removeObjectForKey:]: attempt to remove nil key"},
    };
    for (const auto& c : cases) EXPECT_EQ(thrownMessage<std::invalid_argument>(c.call), c.message);
    EXPECT_EQ(compact(a), "[1,2,3]");
    EXPECT_EQ(dictionary.count(), 0u);
}

TEST(Containers, ArrayMutationsFollowAVectorModel)
{
    std::mt19937 random(7);
    JSONValue value = JSONValue::mutableArray();
    JSONArray& array = *value.array();
    std::vector<std::string> model;
    for (int step = 0; step < 4000; ++step) {
        // Long strings, so that lost or doubled references show under the sanitizers.
        const std::string item = "item number " + std::to_string(step) + " with a long tail";
        const size_t at = model.empty() ? 0 : random() % (model.size() + 1);
        switch (random() % 5) {
        case 0: array.addObject(item); model.push_back(item); break;
        case 1: array.insertObject(item, at); model.insert(model.begin() + static_cast<long>(at), item); break;
        case 2:
            if (at < model.size()) {
                array.removeObjectAtIndex(at);
                model.erase(model.begin() + static_cast<long>(at));
            }
            break;
        case 3:
            if (at < model.size()) {
                array.replaceObjectAtIndex(at, item);
                model[at] = item;
            }
            break;
        default:
            array.removeLastObject();
            if (!model.empty()) model.pop_back();
        }
        ASSERT_EQ(array.count(), model.size());
    }
    for (size_t i = 0; i < model.size(); ++i) EXPECT_EQ(array.objectAtIndex(i).stringValue(), model[i]);
}

TEST(Containers, DictionaryMutationsFollowAMapModel)
{
    std::mt19937 random(11);
    JSONValue value = JSONValue::mutableDictionary();
    JSONDictionary& dictionary = *value.dictionary();
    std::map<std::string, int64_t> model;
    for (int step = 0; step < 3000; ++step) {
        const std::string key = (random() % 2 ? "k" : "a much longer key number ") + std::to_string(random() % 60);
        if (random() % 3) {
            dictionary.setObject(step, key);
            model[key] = step;
        } else {
            dictionary.removeObjectForKey(key);
            model.erase(key);
        }
        ASSERT_EQ(dictionary.count(), model.size());
    }
    for (const auto& [key, number] : model) {
        ASSERT_NE(dictionary.objectForKey(key), nullptr) << key;
        EXPECT_EQ(dictionary.objectForKey(key)->int64Value(), number);
    }
    size_t seen = 0;
    for (const JSONDictionary::Entry& entry : dictionary) seen += model.count(std::string(entry.key.stringValue()));
    EXPECT_EQ(seen, model.size());
}

TEST(Values, EqualityComparesNumbersByValue)
{
    const struct {
        JSONValue a, b;
        bool equal;
    } cases[] = {
        {1.0, 1u, true},
        {-1.0, -1, true},
        {-0.0, 0.0, true},
        {1.5, 1, false},
        {-1, UINT64_MAX, false},
        {18446744073709551615.0, UINT64_MAX, false}, // the double is 2^64
        {9007199254740993ll, 9007199254740992.0, false},
        {true, 1, false},
        {false, nullptr, false},
        {"a", "a", true},
        {"a", "b", false},
        {JSONValue(std::string(30, 'x')), JSONValue(std::string(30, 'x')), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a == c.b, c.equal) << c.a.className() << " " << c.b.className();
        EXPECT_EQ(c.b == c.a, c.equal);
    }
    const auto x = parseBytes("{\"a\":[1,{\"b\":null}],\"c\":2}").value;
    const auto y = parseBytes("{\"c\":2.0,\"a\":[1,{\"b\":null}]}").value;
    const auto z = parseBytes("{\"c\":2,\"a\":[1,{\"b\":false}]}").value;
    EXPECT_TRUE(*x == *y);
    EXPECT_FALSE(*x == *z);
}

TEST(Values, StringsKeepTheirBytes)
{
    for (size_t length : {0, 1, 14, 15, 100}) {
        const std::string text(length, 'q');
        const JSONValue value(text);
        EXPECT_EQ(value.stringValue(), text);
        EXPECT_TRUE(value.isValidUTF8());
    }
    EXPECT_FALSE(JSONValue(std::string("\xc3")).isValidUTF8());
    EXPECT_TRUE(JSONValue().isNull());
    EXPECT_EQ(JSONValue(2.9).int64Value(), 2);
    EXPECT_EQ(JSONValue(-1).uint64Value(), UINT64_MAX);
    EXPECT_EQ(JSONValue(1e30).int64Value(), INT64_MAX);
}

} // namespace
