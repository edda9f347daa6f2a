// The JSON codec: include this one header.
#pragma once

#include "JSONArray.h"
#include "JSONDecoder.h"
#include "JSONDictionary.h"
#include "JSONError.h"
#include "JSONOptions.h"
#include "JSONParsing.h"
#include "JSONSerializer.h"
#include "JSONSerializing.h"
#include "JSONValue.h"
