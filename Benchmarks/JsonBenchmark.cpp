// Parse and compact-serialise speed of the project's JSON codec next to
// RapidJSON and nlohmann-json, on two public test documents and the default
// shortcut document. Run all peers in one process so the figures compare.
#include "JSON.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Stands in when the resource file is missing: ten small records keyed "0".."9".
const char* const kFallbackShortcutDocument = R"({
"0":{"enableKeyboard":1,"shortcut":"Ctrl+Z ","enableMouse":0,"mouse":"","enableRun":0,"filePath":""},
"1":{"enableKeyboard":1,"shortcut":"Ctrl+Shift+Z ","enableMouse":0,"mouse":"","enableRun":0,"filePath":""},
"2":{"enableKeyboard":0,"shortcut":"","enableMouse":0,"mouse":"","enableFunc":1,"function":"E,B;"},
"3":{"enableKeyboard":0,"shortcut":"","enableMouse":0,"mouse":"","enableFunc":1,"function":"Monitor;"},
"4":{"enableKeyboard":1,"shortcut":"Space ","enableMouse":0,"mouse":"","enableRun":0,"filePath":""},
"5":{"enableKeyboard":0,"shortcut":"","enableMouse":1,"mouse":"MouseRight;","enableRun":0,"filePath":""},
"6":{"enableKeyboard":0,"shortcut":"","enableMouse":1,"mouse":"MouseMiddle;","enableRun":0,"filePath":""},
"7":{"enableKeyboard":0,"shortcut":"","enableMouse":0,"mouse":"","enableRun":true,"filePath":"/usr/bin/gimp"},
"8":{"enableKeyboard":1,"shortcut":"[ ","enableMouse":0,"mouse":"","enableRun":false,"filePath":""},
"9":{"enableKeyboard":1,"shortcut":"] ","enableMouse":0,"mouse":"","scale":1.5,"filePath":""}})";

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string document(const std::string& name)
{
    if (name == "shortcut") {
        std::string text = readFile(std::string(BREVOLA_SOURCE_DIR) + "/Resources/shortcut.json");
        return text.empty() ? kFallbackShortcutDocument : text;
    }
    std::string text = readFile(std::string(BREVOLA_BENCH_DATA_DIR) + "/" + name + ".json");
    if (text.empty()) {
        std::fprintf(stderr, "missing benchmark document %s\n", name.c_str());
        std::exit(1);
    }
    return text;
}

void setBytes(benchmark::State& state, size_t size)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// ---- parse ------------------------------------------------------------

void parseOurs(benchmark::State& state, const std::string& name)
{
    const std::string text = document(name);
    for (auto _ : state) {
        auto value = objectFromJSONData(text);
        if (!value) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(value);
    }
    setBytes(state, text.size());
}

void parseRapidJSON(benchmark::State& state, const std::string& name)
{
    const std::string text = document(name);
    for (auto _ : state) {
        rapidjson::Document d;
        d.Parse(text.c_str(), text.size());
        if (d.HasParseError()) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(d);
    }
    setBytes(state, text.size());
}

void parseNlohmann(benchmark::State& state, const std::string& name)
{
    const std::string text = document(name);
    for (auto _ : state) {
        auto j = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(j);
    }
    setBytes(state, text.size());
}

// ---- compact serialise ------------------------------------------------

void serializeOurs(benchmark::State& state, const std::string& name)
{
    const auto value = objectFromJSONData(document(name));
    size_t size = 0;
    for (auto _ : state) {
        auto out = value->isDictionary() ? JSONData(*value->dictionary()) : JSONData(*value->array());
        if (!out) state.SkipWithError("serialise failed");
        size = out->size();
        benchmark::DoNotOptimize(out);
    }
    setBytes(state, size);
}

void serializeRapidJSON(benchmark::State& state, const std::string& name)
{
    rapidjson::Document d;
    d.Parse(document(name).c_str());
    size_t size = 0;
    for (auto _ : state) {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        d.Accept(writer);
        size = buffer.GetSize();
        benchmark::DoNotOptimize(buffer.GetString());
    }
    setBytes(state, size);
}

void serializeNlohmann(benchmark::State& state, const std::string& name)
{
    const auto j = nlohmann::json::parse(document(name));
    size_t size = 0;
    for (auto _ : state) {
        std::string out = j.dump();
        size = out.size();
        benchmark::DoNotOptimize(out);
    }
    setBytes(state, size);
}

int registerAll()
{
    for (const char* name : {"twitter", "citm_catalog", "shortcut"}) {
        const std::string n = name;
        // The shared documents live beside the checkout; without them only ours is measured.
        if (n != "shortcut" && readFile(std::string(BREVOLA_BENCH_DATA_DIR) + "/" + n + ".json").empty()) {
            std::fprintf(stderr, "no benchmark document %s in %s: skipped\n", name, BREVOLA_BENCH_DATA_DIR);
            continue;
        }
        benchmark::RegisterBenchmark(("Parse/" + n + "/ours").c_str(), parseOurs, n);
        benchmark::RegisterBenchmark(("Parse/" + n + "/rapidjson").c_str(), parseRapidJSON, n);
        benchmark::RegisterBenchmark(("Parse/" + n + "/nlohmann").c_str(), parseNlohmann, n);
        benchmark::RegisterBenchmark(("Serialize/" + n + "/ours").c_str(), serializeOurs, n);
        benchmark::RegisterBenchmark(("Serialize/" + n + "/rapidjson").c_str(), serializeRapidJSON, n);
        benchmark::RegisterBenchmark(("Serialize/" + n + "/nlohmann").c_str(), serializeNlohmann, n);
    }
    return 0;
}

const int registered = registerAll();

} // namespace

BENCHMARK_MAIN();
