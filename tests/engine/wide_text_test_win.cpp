#include "engine/wide_text_win.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(WideText, WidensUtf8AndAsciiPaths) {
  EXPECT_EQ(L"Качество 2",
            WidenUtf8("\xD0\x9A\xD0\xB0\xD1\x87\xD0\xB5\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE 2"));
  EXPECT_EQ(L"Game\\Zurvo.cfg", WidenAnsi("Game\\Zurvo.cfg"));
  EXPECT_EQ(L"", WidenAnsi(""));
  EXPECT_EQ("Game\\Zurvo.cfg", NarrowAnsi(L"Game\\Zurvo.cfg"));
  EXPECT_EQ("Game\\Zurvo.cfg", NarrowAnsi(L"Game\\Zurvo.cfg", true));
  EXPECT_EQ("", NarrowAnsi(L""));
}

// A path the system gives back may hold letters the code page lacks: shown in a log line with a
// stand-in, but never handed on as a path, where the stand-in would name another file.
TEST(WideText, OnlyAnExactConversionRefusesALetterTheCodePageLacks) {
  if (GetACP() != 1252) {
    GTEST_SKIP() << "the letters below are chosen for code page 1252, this system's is "
                 << GetACP();
  }
  // "Ā" has a best fit ("A") in 1252, "Б" has none ("?"); "é" is in it.
  EXPECT_EQ("C:\\A", NarrowAnsi(L"C:\\\u0100"));
  EXPECT_EQ("C:\\?", NarrowAnsi(L"C:\\\u0411"));
  EXPECT_EQ("", NarrowAnsi(L"C:\\\u0100", true));
  EXPECT_EQ("", NarrowAnsi(L"C:\\\u0411", true));
  EXPECT_EQ("C:\\\xE9", NarrowAnsi(L"C:\\\u00E9", true));
  EXPECT_EQ(L"C:\\\u00E9", WidenAnsi("C:\\\xE9"));
}

}  // namespace
