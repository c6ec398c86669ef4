#include <gtest/gtest.h>

#include "platform/reg_text.h"

namespace ironwood::platform {
namespace {

constexpr std::string_view kKey =
    "HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60";

RegDocument Parse(std::string_view text) {
  RegDocument document;
  std::string error;
  EXPECT_TRUE(ParseRegText(text, document, error)) << error;
  return document;
}

std::optional<std::string> Text(const RegDocument& document, std::string_view key,
                                std::string_view name) {
  const RegValue* value = document.FindValue(key, name);
  return value ? RegValueText(*value) : std::nullopt;
}

std::string LongTextWithBreaks() {
  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>(i % 7 == 0 ? '\n' : 'a' + i % 26);
  return text;
}

TEST(RegText, RoundTripsEveryText) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"", "default value"},
      {"Escapes", "a \"quoted\" C:\\path\\"},
      {"Lines", "one\r\ntwo\tthree\x1f"},
      {"HighBytes", "caf\xC3\xA9 \xFF\x80 \x7F"},
      {"Empty", ""},
      {"Long", LongTextWithBreaks()},
      {"Name \"with\" \\ escapes", "x"},
  };
  RegDocument document;
  for (const auto& [name, text] : values) document.SetText(kKey, name, text);
  document.SetText("HKEY_CURRENT_USER\\Control Panel\\desktop", "ScreenSaverIsSecure", "1");

  const std::string serialized = SerializeRegText(document);
  EXPECT_EQ(serialized.rfind("Windows Registry Editor Version 5.00\n\n[", 0), 0u);
  EXPECT_EQ(serialized.find('\r'), std::string::npos);
  EXPECT_NE(serialized.find("\"Escapes\"=\"a \\\"quoted\\\" C:\\\\path\\\\\"\n"),
            std::string::npos);
  EXPECT_NE(serialized.find("\"Lines\"=hex(1):6f,00,6e,00,65,00,0d,00,0a,00,"), std::string::npos);
  EXPECT_NE(serialized.find("@=\"default value\"\n"), std::string::npos);
  EXPECT_NE(serialized.find(",\\\n  "), std::string::npos);  // long hex is wrapped

  const RegDocument back = Parse(serialized);
  for (const auto& [name, text] : values) EXPECT_EQ(Text(back, kKey, name), text) << name;
  EXPECT_EQ(Text(back, "hkey_current_user\\CONTROL PANEL\\Desktop", "screensaverissecure"), "1");
  EXPECT_EQ(SerializeRegText(back), serialized);
}

TEST(RegText, ReadsWhatRegeditWrites) {
  const std::string file =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; exported settings\r\n"
      "[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\r\n"
      "\"TextureLevel\"=dword:0000000a\r\n"
      "\"Big\"=dword:ffffffff\r\n"
      "\"WorkingDirectory\"=hex(2):25,00,41,00,25,00,5c,00,00,00\r\n"
      "\"Wide\"=hex(1):2d,4e,3d,d8,00,de,41,00,\\\r\n"
      "  00,00\r\n"
      "\"Gone\"=\"soon\"\r\n"
      "\"Gone\"=-\r\n"
      "@=\"root\"\r\n"
      "[HKEY_LOCAL_MACHINE\\software\\Old]\r\n"
      "\"A\"=\"1\"\r\n"
      "[HKEY_LOCAL_MACHINE\\software\\Old\\Child]\r\n"
      "\"B\"=\"2\"\r\n"
      "[HKEY_LOCAL_MACHINE\\software\\Older]\r\n"
      "\"C\"=\"3\"\r\n"
      "[-hkey_local_machine\\SOFTWARE\\old]\r\n";
  const RegDocument document = Parse(file);
  const std::string key = "hkey_local_machine\\Software\\quillon\\starfray screensaver\\2.60";
  EXPECT_EQ(Text(document, key, "texturelevel"), "10");
  EXPECT_EQ(Text(document, key, "Big"), "4294967295");
  EXPECT_EQ(Text(document, key, "WorkingDirectory"), "%A%\\");  // never expanded
  EXPECT_EQ(Text(document, key, "Wide"),
            "\xE4\xB8\xAD\xF0\x9F\x98\x80"
            "A");
  EXPECT_EQ(Text(document, key, "Gone"), std::nullopt);
  EXPECT_EQ(Text(document, key, ""), "root");
  EXPECT_EQ(document.FindKey("HKEY_LOCAL_MACHINE\\software\\Old"), nullptr);
  EXPECT_EQ(document.FindKey("HKEY_LOCAL_MACHINE\\software\\Old\\Child"), nullptr);
  EXPECT_EQ(Text(document, "HKEY_LOCAL_MACHINE\\software\\Older", "C"), "3");

  // The older format keeps text data as single bytes.
  const RegDocument old = Parse("REGEDIT4\n\n[HKEY_CURRENT_USER\\x]\n\"P\"=hex(2):25,42,00\n");
  EXPECT_EQ(Text(old, "HKEY_CURRENT_USER\\x", "P"), "%B");
}

TEST(RegText, ReadsUtf16Files) {
  const std::u16string source =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n"
      u"\"Name\"=\"caf\u00e9 \U0001F600\"\r\n";
  std::string file = "\xFF\xFE";
  for (char16_t unit : source) {
    file += static_cast<char>(unit & 0xFF);
    file += static_cast<char>(unit >> 8);
  }
  EXPECT_EQ(Text(Parse(file), "HKEY_CURRENT_USER\\x", "Name"), "caf\xC3\xA9 \xF0\x9F\x98\x80");

  RegDocument document;
  std::string error;
  EXPECT_FALSE(ParseRegText(file.substr(0, file.size() - 1), document, error));
  EXPECT_FALSE(ParseRegText(file + std::string("\x00\xD8", 2), document, error));  // lone surrogate
}

TEST(RegText, KeepsValuesItDoesNotInterpret) {
  RegDocument document = Parse(
      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\x]\n"
      "\"Multi\"=hex(7):41,00,00,00,42,00,00,00,00,00\n"
      "\"Binary\"=hex:01,02,ff\n"
      "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\n"
      "\"Count\"=dword:00000007\n"
      "\"Expand\"=hex(2):41,00,00,00\n"
      "\"Embedded\"=hex(1):41,00,00,00,42,00,00,00\n");
  document.SetText("HKEY_CURRENT_USER\\x", "New", "value");
  const RegDocument back = Parse(SerializeRegText(document));
  const RegKey* key = back.FindKey("HKEY_CURRENT_USER\\x");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 7u);
  EXPECT_EQ(key->values[0].type, "hex(7)");
  EXPECT_EQ(key->values[0].bytes.size(), 10u);
  EXPECT_EQ(key->values[1].type, "hex");
  EXPECT_EQ(key->values[1].bytes, (std::vector<std::uint8_t>{1, 2, 255}));
  EXPECT_EQ(key->values[2].type, "hex(b)");
  EXPECT_EQ(key->values[3].type, "dword");
  EXPECT_EQ(key->values[4].type, "hex(2)");
  EXPECT_EQ(key->values[5].type, "hex(1)");
  EXPECT_EQ(RegValueText(key->values[0]), std::nullopt);
  EXPECT_EQ(RegValueText(key->values[1]), std::nullopt);
  EXPECT_EQ(RegValueText(key->values[3]), "7");
  EXPECT_EQ(RegValueText(key->values[5]), "A");  // a read ends at the first zero
  EXPECT_EQ(RegValueText(key->values[6]), "value");
}

TEST(RegText, RefusesMalformedFiles) {
  const std::string header = "Windows Registry Editor Version 5.00\n\n";
  const std::string key = "[HKEY_CURRENT_USER\\x]\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "the file is empty"},
      {"[HKEY_CURRENT_USER\\x]\n\"a\"=\"b\"\n", "line 1: a settings file starts with"},
      {header + "\"a\"=\"b\"\n", "line 3: a value comes before the key line"},
      {header + key + "[-HKEY_CURRENT_USER\\x]\n\"a\"=\"b\"\n", "line 5: value outside a key"},
      {header + key + "\"a\"=\"b\n", "line 4: the text of \"a\" is not one closed quoted string"},
      {header + key + "\"a=\"b\"\n", "line 4: \"a=\" has no '=' after its name"},
      {header + key + "\"a\"=\"b\\n\"\n", "line 4: bad escape"},
      {header + key + "\"a\"=\"b\" x\n", "line 4: the text of \"a\" is not one closed quoted"},
      {header + key + "\"a\"=hex:0g\n", "line 4: bad hex data"},
      {header + key + "\"a\"=hex:01,,02\n", "line 4: bad hex data"},
      {header + key + "\"a\"=hex:01,02,\n", "line 4: bad hex data"},
      {header + key + "\"a\"=hex:01,\\\n", "line 4: hex data cut short"},
      {header + key + "\"a\"=hex(1):41,00\n", "line 4: text without its terminating zero"},
      {header + key + "\"a\"=hex(2):41,00,00\n", "line 4: text without its terminating zero"},
      {header + key + "\"a\"=hex(1):00,d8,00,00\n", "line 4: bad UTF-16 text"},
      {header + key + "\"a\"=hex(zz):00\n", "line 4: bad value type"},
      {header + key + "\"a\"=dword:0000001\n", "line 4: bad dword"},
      {header + key + "\"a\"=text\n", "line 4: unknown value type"},
      {header + key + std::string("\"a\"=\"b\0c\"\n", 10), "line 4: NUL byte"},
      {header + "[HKEY_CURRENT_USER\\x\n", "line 3: the key line has no closing bracket"},
      {header + "[]\n", "line 3: empty key name"},
      {header + "junk\n", "line 3: a value line starts with its quoted name"},
  };
  for (const auto& [text, reason] : cases) {
    RegDocument document;
    document.SetText("k", "stale", "value");
    std::string error;
    EXPECT_FALSE(ParseRegText(text, document, error)) << text;
    EXPECT_EQ(error.rfind(reason, 0), 0u) << text << " gave " << error;
    EXPECT_TRUE(document.Keys().empty());
  }
}

// A file cut short (a full disk, a copy stopped half way) never yields a changed text.
TEST(RegText, CutFilesFailOrKeepExactTexts) {
  RegDocument document;
  document.SetText(kKey, "WorkingDirectory", "/opt/ironwood/");
  document.SetText(kKey, "Escaped", "say \"hi\" \\");
  document.SetText(kKey, "Long", LongTextWithBreaks());
  document.SetText(kKey, "Resolution", "1024X768");
  document.SetText("HKEY_CURRENT_USER\\Control Panel\\desktop", "ScreenSaveUsePassword", "0");
  const std::string whole = SerializeRegText(document);
  int parsed = 0;
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    RegDocument part;
    std::string error;
    if (!ParseRegText(std::string_view(whole).substr(0, cut), part, error)) continue;
    ++parsed;
    for (const RegKey& key : part.Keys()) {
      for (const RegValue& value : key.values) {
        EXPECT_EQ(RegValueText(value), Text(document, key.path, value.name))
            << "cut at " << cut << ", " << value.name;
      }
    }
  }
  EXPECT_GT(parsed, 5);
}

}  // namespace
}  // namespace ironwood::platform
