// Option bits of the parser and the serializer.
#pragma once

using JSONParseOptionFlags = unsigned long;
enum : JSONParseOptionFlags {
    JSONParseOptionNone = 0,
    JSONParseOptionComments = 1,              // "//" and "/* */" wherever white space may stand
    JSONParseOptionUnicodeNewlines = 2,       // U+0085, U+2028, U+2029 are newlines too
    JSONParseOptionLooseUnicode = 4,          // Unicode faults become U+FFFD
    JSONParseOptionPermitTextAfterValidJSON = 8,
    JSONParseOptionValidFlags = 15,
};

using JSONSerializeOptionFlags = unsigned long;
enum : JSONSerializeOptionFlags {
    JSONSerializeOptionNone = 0,
    JSONSerializeOptionPretty = 1,            // indented, members sorted by key
    JSONSerializeOptionEscapeUnicode = 2,     // non-ASCII as \u escapes
    JSONSerializeOptionEscapeForwardSlashes = 16,
    JSONSerializeOptionValidFlags = 19,
};

// What a serializing entry point accepts and produces.
using JSONEncodeOptionType = unsigned long;
enum : JSONEncodeOptionType {
    JSONEncodeOptionAsData = 1,
    JSONEncodeOptionAsString = 2,
    JSONEncodeOptionAsTypeMask = 7,
    JSONEncodeOptionCollectionObj = 8,        // top value must be an array or a dictionary
    JSONEncodeOptionStringObj = 16,           // top value must be a string
    JSONEncodeOptionStringObjTrimQuotes = 32, // ... written without its quotes
};
