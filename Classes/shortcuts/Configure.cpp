#include "Configure.h"

#include "DefaultsKeys.h"
#include "JSON.h"
#include "ShortcutCommand.h"
#include "ShortcutDefaultDocument.h"
#include "ShortcutEditorValues.h"
#include "SystemLog.h"
#include "UserDefaults.h"

#include <QString>

#include <optional>

namespace {

// Record fields.
constexpr const char* kEnableKeyboard = "enableKeyboard";
constexpr const char* kShortcutEvent = "shortcutEvent";
constexpr const char* kKeyboardEvent = "keyboardEvent";
constexpr const char* kShortcut = "shortcut";
constexpr const char* kEnableMouse = "enableMouse";
constexpr const char* kMouse = "mouse";
constexpr const char* kEnableFunc = "enableFunc";
constexpr const char* kFunction = "function";
constexpr const char* kEnableRun = "enableRun";
constexpr const char* kFilePath = "filePath";

std::shared_ptr<const std::u16string> fromUTF8(std::string_view utf8)
{
    if (utf8.empty()) return nullptr;
    return std::make_shared<const std::u16string>(
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU16String());
}

std::string toUTF8(const std::u16string& text) { return QString::fromStdU16String(text).toStdString(); }

std::string keyName(int64_t kid) { return std::to_string(kid); }

// The record of a key in a parsed document; null when there is none.
const JSONDictionary* recordOf(const std::optional<JSONValue>& document, int64_t kid)
{
    const JSONDictionary* members = document ? document->dictionary() : nullptr;
    const JSONValue* record = members ? members->objectForKey(keyName(kid)) : nullptr;
    return record ? record->dictionary() : nullptr;
}

// A string field; none when it is missing or holds no string.
std::optional<std::string> stringField(const JSONDictionary* record, const char* field)
{
    const JSONValue* value = record ? record->objectForKey(field) : nullptr;
    if (!value || !value->isString()) return std::nullopt;
    return std::string(value->stringValue());
}

// An enable field: any non-zero number is on; zero, missing or no number is off.
bool isOn(const JSONDictionary* record, const char* field)
{
    const JSONValue* value = record ? record->objectForKey(field) : nullptr;
    return value && (value->isNumber() || value->isBoolean()) && value->boolValue();
}

// Every piece between blanks, empty ones included.
std::vector<std::string_view> splitAtBlanks(std::string_view text)
{
    std::vector<std::string_view> pieces;
    for (size_t start = 0;;) {
        const size_t blank = text.find(' ', start);
        pieces.push_back(text.substr(start, blank == std::string_view::npos ? std::string_view::npos : blank - start));
        if (blank == std::string_view::npos) return pieces;
        start = blank + 1;
    }
}

void setOrRemove(JSONDictionary& record, const char* field, const std::optional<std::string>& value)
{
    if (value)
        record.setObject(JSONValue(*value), field);
    else
        record.removeObjectForKey(field);
}

} // namespace

Configure& Configure::instance()
{
    static Configure store;
    return store;
}

Configure::Configure(UserDefaults* defaults, std::string_view defaultDocument)
    : defaults_(defaults), defaultDocument_(defaultDocument)
{
    initConfig();
}

std::string_view Configure::builtInDocument() { return ShortcutDefaultDocument::text(); }

UserDefaults& Configure::defaults() const { return defaults_ ? *defaults_ : UserDefaults::standardUserDefaults(); }

void Configure::initConfig()
{
    std::shared_ptr<const std::u16string> loaded;
    if (const auto stored = defaults().stringForKey(DefaultsKeys::shortcutSettings))
        loaded = fromUTF8(*stored);
    else
        loaded = fromUTF8(defaultDocument_);

    // A document no read can use leaves every key without a shortcut: say so.
    if (loaded) {
        const auto parsed = objectFromJSONStringWithParseOptions(*loaded, JSONParseOptionLooseUnicode);
        if (!parsed || !parsed->dictionary())
            BTLogWarn("-[Configure initConfig]", "the shortcut document is no JSON object; every key is without a shortcut");
    } else {
        BTLogWarn("-[Configure initConfig]", "no shortcut document; every key is without a shortcut");
    }
    setText(std::move(loaded));
}

void Configure::defaultShortcutConfig() { initConfig(); }

void Configure::saveShortcutConfig()
{
    // No text is stored as the empty string: without the key the next start
    // would bring the default document back although the user chose none.
    const auto current = text();
    defaults().setObject(current ? toUTF8(*current) : std::string(), DefaultsKeys::shortcutSettings);
}

std::shared_ptr<const std::u16string> Configure::text() const
{
    std::lock_guard lock(textMutex_);
    return text_;
}

void Configure::setText(std::shared_ptr<const std::u16string> text)
{
    std::lock_guard lock(textMutex_);
    text_ = std::move(text);
}

std::string Configure::readShortcutForCmd(int64_t kid) const
{
    const auto current = text();
    if (!current) return {};
    const auto document = objectFromJSONStringWithParseOptions(*current, JSONParseOptionLooseUnicode);
    const JSONDictionary* record = recordOf(document, kid);

    std::string command;
    if (isOn(record, kEnableKeyboard)) {
        const std::string prefix = stringField(record, kShortcutEvent).value_or("");
        if (const auto names = stringField(record, kKeyboardEvent)) {
            const auto pieces = splitAtBlanks(*names);
            if (pieces.size() == 1) {
                command += prefix; // modifiers only: no terminator
            } else {
                for (std::string_view piece : pieces) {
                    if (piece.empty()) continue;
                    command += prefix;
                    command += piece;
                    command += ';';
                }
            }
        }
    }
    if (isOn(record, kEnableMouse)) command += stringField(record, kMouse).value_or("");
    if (isOn(record, kEnableFunc)) command += stringField(record, kFunction).value_or("");
    if (isOn(record, kEnableRun)) {
        command += ShortcutCommand::kRunWord;
        command += stringField(record, kFilePath).value_or("");
    }
    return command;
}

bool Configure::readShortcutConfig(ShortcutEditorValues& editor) const
{
    const auto current = text();
    std::optional<JSONValue> document;
    if (current) document = objectFromJSONStringWithParseOptions(*current, JSONParseOptionLooseUnicode);
    const JSONDictionary* record = recordOf(document, editor.keyId());

    editor.setMouseEvent(stringField(record, kMouse));
    editor.setFunctionEvent(stringField(record, kFunction));
    editor.setKeyboardEvent(stringField(record, kKeyboardEvent));
    editor.setShortcutEvent(stringField(record, kShortcutEvent));
    editor.setShortcutText(stringField(record, kShortcut).value_or(""));
    editor.setFilePath(stringField(record, kFilePath).value_or(""));
    editor.setEnableKeyboardState(isOn(record, kEnableKeyboard) ? 1 : 0);
    editor.setEnableMouseEventState(isOn(record, kEnableMouse) ? 1 : 0);
    editor.setEnableRunEventState(isOn(record, kEnableRun) ? 1 : 0);
    editor.setEnableFuncEventState(isOn(record, kEnableFunc) ? 1 : 0);
    return true;
}

bool Configure::writeShortcutConfig(const ShortcutEditorValues& editor)
{
    constexpr const char* method = "-[Configure writeShortcutConfig:]";
    std::lock_guard writing(writeMutex_);

    const auto current = text();
    std::optional<JSONValue> document;
    if (current) {
        document = mutableObjectFromJSONString(*current);
        if (!document || !document->dictionary()) {
            // Writing would drop every other key's shortcut: refuse instead.
            BTLogWarn(method, "the shortcut document is no JSON object; key %lld not stored",
                      static_cast<long long>(editor.keyId()));
            return false;
        }
    } else {
        document = JSONValue::mutableDictionary();
    }
    JSONDictionary& members = *document->dictionary();

    // A key without a record gets one, so that the edit is not lost.
    const std::string key = keyName(editor.keyId());
    const JSONValue* existing = members.objectForKey(key);
    JSONValue record = existing && existing->dictionary() ? *existing : JSONValue::mutableDictionary();
    if (!existing || !existing->dictionary()) members.setObject(record, key);
    JSONDictionary& fields = *record.dictionary();

    setOrRemove(fields, kMouse, editor.mouseEvent());
    setOrRemove(fields, kFunction, editor.functionEvent());
    fields.setObject(JSONValue(editor.enableKeyboardState()), kEnableKeyboard);
    fields.setObject(JSONValue(editor.enableMouseEventState()), kEnableMouse);
    fields.setObject(JSONValue(editor.enableRunEventState()), kEnableRun);
    fields.setObject(JSONValue(editor.enableFuncEventState()), kEnableFunc);
    fields.setObject(JSONValue(editor.filePath()), kFilePath);
    fields.setObject(JSONValue(editor.shortcutText()), kShortcut);
    setOrRemove(fields, kKeyboardEvent, editor.keyboardEvent());
    setOrRemove(fields, kShortcutEvent, editor.shortcutEvent());

    auto written = JSONString(members);
    if (!written) {
        BTLogWarn(method, "the shortcut document could not be written; key %lld not stored",
                  static_cast<long long>(editor.keyId()));
        return false;
    }
    setText(std::make_shared<const std::u16string>(std::move(*written)));
    return true;
}
