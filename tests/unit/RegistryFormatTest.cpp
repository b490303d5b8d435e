// The store's text, parsed and written without a file.
#include "registry/RegistryFormat.h"

#include <gtest/gtest.h>

using namespace ostan::registry;

TEST(RegistryFormatTest, WhatIsWrittenParsesBackToTheSameStore)
{
    Store s;
    RegKey& key = s.At("HKEY_LOCAL_MACHINE\\SOFTWARE\\A");
    key.Put({"", VType::String, 0, "default"});
    key.Put({"Quote\"d\\", VType::String, 0, "a\\\"b"});
    key.Put({"Lines", VType::String, 0, "one\r\ntwo"});
    key.Put({"N", VType::Dword, 0xfffffffe, {}});
    key.Put({"Bin", VType::Raw, 0, "hex:01,02"});
    const QByteArray text = Serialise(s);
    EXPECT_EQ(text.toStdString(),
              "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n@=\"default\"\n\"Quote\\\"d\\\\\"=\"a\\\\\\\"b\"\n"
              "\"Lines\"=hex(1):6f,00,6e,00,65,00,0d,00,0a,00,74,00,77,00,6f,00,00,00\n"
              "\"N\"=dword:fffffffe\n\"Bin\"=hex:01,02\n\n");
    Store back;
    QString error;
    ASSERT_TRUE(Parse(text, back, error)) << error.toStdString();
    ASSERT_EQ(back.Keys().size(), s.Keys().size());
    EXPECT_EQ(back.Find("HKEY_LOCAL_MACHINE\\SOFTWARE\\A")->Values, key.Values);
    EXPECT_EQ(Serialise(back), text);

    // A text with a NUL goes in hex form, as one with a line break.
    Store nul;
    nul.At("HKEY_LOCAL_MACHINE\\A").Put({"T", VType::String, 0, QString::fromUtf16(u"a\0b", 3)});
    Store nulBack;
    ASSERT_TRUE(Parse(Serialise(nul), nulBack, error)) << error.toStdString();
    EXPECT_EQ(nulBack.Find("HKEY_LOCAL_MACHINE\\A")->Values, nul.Find("HKEY_LOCAL_MACHINE\\A")->Values);
}

TEST(RegistryFormatTest, ADamagedTextIsRefusedWithItsLine)
{
    struct Case { QByteArray Text; const char* Why; };
    const Case cases[] = {
        {"", "нет заголовка"},
        {"REGEDIT4\n", "строка 1: нет заголовка"},
        {"Windows Registry Editor Version 5.00\n\"A\"=dword:1\n", "строка 2: значение вне раздела"},
        {"Windows Registry Editor Version 5.00\n[HKEY_A\\]\n", "строка 2: неверный путь раздела"},
        {"Windows Registry Editor Version 5.00\n[HKEY_A]\n\"A\"=dword:123456789\n", "строка 3: неизвестный тип данных"},
        {"Windows Registry Editor Version 5.00\n[HKEY_A]\n\"A\"=hex(1):41\n", "строка 3: неверная строка UTF-16"},
        {"Windows Registry Editor Version 5.00\n[HKEY_A]\n\"A\"\n", "строка 3: нет знака"},
        {"Windows Registry Editor Version 5.00\n[HKEY_A]\n\"A\"=\"\xC3\x28\"\n", "UTF-8"},
        {QByteArray("\xFF\xFEW\x00X", 5), "UTF-16"},
        // A name that no one can ask for, and that could not be written back.
        {QByteArray("Windows Registry Editor Version 5.00\n[HKEY_A]\n\"Po\0rt\"=dword:1\n", 62),
         "строка 3: нулевой байт в имени значения"},
        {QByteArray("Windows Registry Editor Version 5.00\n[HKEY_\0A]\n", 47), "строка 2: нулевой байт в пути раздела"},
        {QByteArray("Windows Registry Editor Version 5.00\n[HKEY_A]\n\"A\"=\"a\0b\"\n", 56),
         "строка 3: нулевой байт в строке"},
        // Hex data over several lines: the value's first line is named, and
        // the lines after it keep their numbers.
        {"Windows Registry Editor Version 5.00\n[HKEY_A]\n\"A\"=hex:01,\\\n  0x\n", "строка 3: неверные двоичные данные"},
        {"Windows Registry Editor Version 5.00\n[HKEY_A]\n\"A\"=hex:01,\\\n  02\n\"B\"\n", "строка 5: нет знака"},
    };
    for (const Case& c : cases) {
        Store s;
        QString error;
        EXPECT_FALSE(Parse(c.Text, s, error)) << c.Text.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.Why))) << error.toStdString();
    }
}
