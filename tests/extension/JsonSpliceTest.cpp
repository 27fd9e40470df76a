// The plug-in's edit of the shared suite's JSON text, read back with the program's parser.
#include "brindlepath-core.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <optional>
#include <string>

namespace {

constexpr const char *key = "selectedFolderPath";
constexpr const char *path = "/home/ivo/Shoots";

std::optional<std::string> splice(const std::string &document, const char *value = path)
{
    g_autofree char *result =
        bp_json_set_string_member(document.data(), document.size(), key, value);
    if (result == nullptr)
        return std::nullopt;
    return std::string(result);
}

struct SpliceCase {
    const char *name;
    std::string document;
    std::string expected;
};

class JsonSplice : public ::testing::TestWithParam<SpliceCase> {};

TEST_P(JsonSplice, ChangesOnlyTheOneMember)
{
    const std::optional<std::string> result = splice(GetParam().document);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, GetParam().expected);
    const QJsonDocument parsed = QJsonDocument::fromJson(QByteArray::fromStdString(*result));
    ASSERT_TRUE(parsed.isObject());
    EXPECT_EQ(parsed.object().value(key).toString(), path);
}

const std::string member = R"("selectedFolderPath": "/home/ivo/Shoots")";

INSTANTIATE_TEST_SUITE_P(
    Documents, JsonSplice,
    ::testing::Values(
        SpliceCase{"MissingFile", "", "{\n    " + member + "\n}\n"},
        SpliceCase{"EmptyObject", "{}", "{\n    " + member + "\n}"},
        SpliceCase{"EmptyObjectAsTheProgramWritesIt", "{\n}\n", "{\n    " + member + "\n}\n"},
        SpliceCase{"AddedAfterTheLastMember", "{\n    \"onboardingCompleted\": true\n}\n",
                   "{\n    \"onboardingCompleted\": true,\n    " + member + "\n}\n"},
        SpliceCase{"ReplacedInPlace",
                   R"({"a":{"selectedFolderPath":"/x"} , "selectedFolderPath" : "/old" ,)"
                   R"("b":[1,-2.5E+3,0.5e-1,null,false,"\"}",{}]})",
                   R"({"a":{"selectedFolderPath":"/x"} , "selectedFolderPath" : )"
                   R"("/home/ivo/Shoots" ,"b":[1,-2.5E+3,0.5e-1,null,false,"\"}",{}]})"},
        SpliceCase{"NonTextValueReplaced", R"({"selectedFolderPath":[1,{"b":2}],"c":3})",
                   R"({"selectedFolderPath":"/home/ivo/Shoots","c":3})"},
        SpliceCase{"EveryRepeatOfTheKey", R"({"selectedFolderPath":1,"selectedFolderPath":"/old"})",
                   R"({"selectedFolderPath":"/home/ivo/Shoots","selectedFolderPath":)"
                   R"("/home/ivo/Shoots"})"},
        SpliceCase{"KeyWrittenWithEscapes", R"({"selected\u0046olderPath":"/old"})",
                   R"({"selected\u0046olderPath":"/home/ivo/Shoots"})"},
        SpliceCase{"OtherKeyThatOnlyLooksAlike", R"({"selectedFolderPathX":"/old"})",
                   "{\"selectedFolderPathX\":\"/old\",\n    " + member + "}"},
        SpliceCase{"KeyThatIsAPrefixOfOurs", R"({"selected":"/old"})",
                   "{\"selected\":\"/old\",\n    " + member + "}"},
        SpliceCase{"EmptyKey", R"({"":1})", "{\"\":1,\n    " + member + "}"},
        SpliceCase{"ByteOrderMarkKept", "\xEF\xBB\xBF{}", "\xEF\xBB\xBF{\n    " + member + "\n}"},
        SpliceCase{"NonAsciiKeptByteForByte", "{\"naam\":\"Zomer ☀ \\u00e9\"}",
                   "{\"naam\":\"Zomer ☀ \\u00e9\",\n    " + member + "}"}),
    [](const auto &info) { return std::string(info.param.name); });

struct InvalidCase {
    const char *name;
    std::string document;
};

class JsonSpliceRefuses : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(JsonSpliceRefuses, WhatIsNotOneObject)
{
    EXPECT_EQ(splice(GetParam().document), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, JsonSpliceRefuses,
    ::testing::Values(
        InvalidCase{"Array", "[]"}, InvalidCase{"Text", R"("text")"},
        InvalidCase{"OnlyWhiteSpace", "  \n"}, InvalidCase{"Unclosed", R"({"a":1)"},
        InvalidCase{"MissingValue", R"({"a":})"}, InvalidCase{"MissingColon", R"({"a" 1})"},
        InvalidCase{"TrailingComma", R"({"a":1,})"}, InvalidCase{"TrailingText", R"({"a":1} x)"},
        InvalidCase{"TwoObjects", "{} {}"}, InvalidCase{"SingleQuotes", "{'a':1}"},
        InvalidCase{"LeadingZero", R"({"a":01})"}, InvalidCase{"BareExponent", R"({"a":1e})"},
        InvalidCase{"BareMinus", R"({"a":-})"}, InvalidCase{"BareFraction", R"({"a":.5})"},
        InvalidCase{"CutLiteral", R"({"a":tru})"}, InvalidCase{"BadEscape", R"({"a":"\x"})"},
        InvalidCase{"ShortUnicodeEscape", R"({"a":"\u12"})"},
        InvalidCase{"ControlCharacterInText", "{\"a\":\"\x01\"}"},
        InvalidCase{"InvalidUtf8", "{\"a\":\"\xff\"}"},
        InvalidCase{"NulByte", std::string("{\"a\":\"b\0\"}", 10)},
        InvalidCase{"UnclosedText", R"({"a":"b})"},
        InvalidCase{"NestedTooDeep",
                    "{\"a\":" + std::string(100000, '[') + std::string(100000, ']') + "}"}),
    [](const auto &info) { return std::string(info.param.name); });

class JsonSpliceValue : public ::testing::TestWithParam<std::pair<const char *, std::string>> {};

TEST_P(JsonSpliceValue, ReadsBackAsTheSameText)
{
    const std::optional<std::string> result = splice("{}", GetParam().second.c_str());
    ASSERT_TRUE(result.has_value());
    const QJsonDocument parsed = QJsonDocument::fromJson(QByteArray::fromStdString(*result));
    EXPECT_EQ(parsed.object().value(key).toString().toStdString(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, JsonSpliceValue,
    ::testing::Values(std::pair("Quote", std::string("/home/ivo/\"Best\" of")),
                      std::pair("Backslash", std::string("/home/ivo/a\\b\\")),
                      std::pair("LineBreaks", std::string("/home/ivo/a\nb\r\tc")),
                      std::pair("ControlCharacters", std::string("/home/ivo/\x01\x1f\b\f")),
                      std::pair("NonAscii", std::string("/home/ivo/Zomer é 🎞/ß")),
                      std::pair("Empty", std::string())),
    [](const auto &info) { return std::string(info.param.first); });

TEST(JsonSpliceInput, RefusesAValueThatIsNotUtf8)
{
    EXPECT_EQ(splice("{}", "/home/ivo/\xff"), std::nullopt);
}

} // namespace
