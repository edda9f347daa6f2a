// The working state of one serialization: output buffer, the stack of open
// containers, the formatter, and the cache of recently written strings.
#pragma once

#include "JSONDictionary.h"
#include "JSONError.h"
#include "JSONOptions.h"
#include "JSONOutputBuffer.h"
#include "JSONSerializer.h"
#include "JSONValue.h"

#include <memory>
#include <string>
#include <vector>

class JSONEncodeState {
public:
    JSONEncodeState(JSONSerializeOptionFlags options, const JSONFormatterBlock* formatter);
    // Writes `object`; false after the first failure, whose description is then in errorDescription().
    bool encode(const JSONValue& object, bool withQuotes);
    const JSONOutputBuffer& output() const noexcept { return out_; }
    const std::string& errorDescription() const noexcept { return error_; }

private:
    static constexpr size_t kSlack = 64;
    struct Frame {
        const JSONValue* items;                 // array items, or
        const JSONDictionary::Entry* entries;   // dictionary members
        size_t sortedBase;                      // pretty print: where its sorted order starts in sorted_
        size_t count;
        size_t index;
    };
    struct CacheSlot {
        const void* string;
        size_t offset;
        size_t length;
    };

    bool encodeValue(const JSONValue& value);
    bool encodeForeign(const JSONValue& value);
    bool openArray(const JSONArray& array);
    bool openDictionary(const JSONDictionary& dictionary);
    bool writeString(const JSONValue& value, bool withQuotes);
    bool writeLongString(const JSONValue& value, bool withQuotes);
    bool writeEscaped(const unsigned char* s, size_t n);
    bool writeDouble(double value);
    bool writeNewline();
    bool fail(std::string description);
    bool failBuffer() { return fail("Unable to resize temporary buffer."); }

    JSONSerializeOptionFlags options_;
    bool pretty_;
    const JSONFormatterBlock* formatter_;
    JSONOutputBuffer out_;
    void pushFrame(const Frame& frame);
    void growFrames();

    Frame inlineFrames_[32];
    Frame* frames_ = inlineFrames_;
    size_t frameCount_ = 0;
    size_t frameCapacity_ = 32;
    std::unique_ptr<Frame[]> heapFrames_;
    std::vector<const JSONDictionary::Entry*> sorted_;
    std::vector<JSONValue> formatted_; // alive until the end, so cached addresses stay unique
    std::unique_ptr<CacheSlot[]> cache_;
    size_t depth_ = 0;
    std::string error_;
    bool failed_ = false;
};
