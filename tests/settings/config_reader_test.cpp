#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "settings/config_file.h"
#include "settings/game_settings.h"
#include "settings_test_support.h"

namespace {

using settings_test::ReadFileBytes;
using settings_test::ScratchDirectory;
using settings_test::WriteFileBytes;

struct ReaderCase {
  const char* name;
  std::string text;
  // What the reading must change, starting from the defaults; nothing for "no change".
  std::function<void(Settings&)> expect;
};

void PrintTo(const ReaderCase& c, std::ostream* out) {
  *out << c.name;
}

// Reads `text` as "Game\Zurvo.cfg" from a real file, into a record holding the defaults.
Settings ReadText(const std::string& text, ResultCode* result = nullptr) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  WriteFileBytes("Game/Zurvo.cfg", text);
  Settings settings;
  const ResultCode read = ReadConfiguration("Game\\Zurvo.cfg", settings);
  if (result != nullptr) {
    *result = read;
  }
  return settings;
}

class ReaderTable : public testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderTable, StoresWhatTheGameWouldRead) {
  const ReaderCase& c = GetParam();
  ResultCode result = E_FAIL;
  const Settings read = ReadText(c.text, &result);
  EXPECT_EQ(result, S_OK);
  Settings expected;
  if (c.expect) {
    c.expect(expected);
  }
  EXPECT_TRUE(read == expected) << "read:\n"
                                << FormatConfiguration(read) << "expected:\n"
                                << FormatConfiguration(expected);
}

INSTANTIATE_TEST_SUITE_P(
    KeysAndSeparators, ReaderTable,
    testing::Values(
        ReaderCase{"capitals", "SCREENWIDTH 1024\n", [](Settings& s) { s.ScreenWidth = 1024; }},
        ReaderCase{"mixed_case", "screenWidth 1024\n", [](Settings& s) { s.ScreenWidth = 1024; }},
        ReaderCase{"key_only", "ScreenWidth\n", nullptr},
        ReaderCase{"two_spaces_give_empty_value", "ScreenWidth  1024\n",
                   [](Settings& s) { s.ScreenWidth = 0; }},
        ReaderCase{"tab_makes_one_token", "ScreenWidth\t1024\n", nullptr},
        ReaderCase{"blanks_around_line", " \t ScreenHeight 600 \t\n",
                   [](Settings& s) { s.ScreenHeight = 600; }},
        ReaderCase{"unknown_key_skipped", "ScreenSize 1024\nScreenWidth 800\n",
                   [](Settings& s) { s.ScreenWidth = 800; }},
        ReaderCase{"longer_or_shorter_key_skipped", "ScreenWidth2 1024\nBloomy 1\nScreenWidt 9\n",
                   nullptr},
        ReaderCase{"last_line_wins", "ScreenWidth 800\nScreenWidth 1024\n",
                   [](Settings& s) { s.ScreenWidth = 1024; }},
        ReaderCase{"quoted_key", "\"ScreenWidth\" 1024\n",
                   [](Settings& s) { s.ScreenWidth = 1024; }},
        ReaderCase{"quoted_value", "ScreenWidth \"1280\"\n",
                   [](Settings& s) { s.ScreenWidth = 1280; }},
        ReaderCase{"quoted_empty_value", "Frequency \"\"\n", [](Settings& s) { s.Frequency = 0; }},
        ReaderCase{"quoted_key_with_blank_matches_nothing", "\"Screen Width\" 1024\n", nullptr},
        ReaderCase{"crlf_line_ends",
                   "ScreenWidth 1024\r\nFullScreen 1\r\nMouse 0.25\r\nGodMode 1\r\n",
                   [](Settings& s) {
                     s.ScreenWidth = 1024;
                     s.FullScreen = true;
                     s.Mouse = 0.25f;
                     s.GodMode = true;
                   }},
        // An editor's "UTF-8 with BOM": the first key keeps its setting.
        ReaderCase{"byte_order_mark_before_first_key",
                   "\xEF\xBB\xBF"
                   "ScreenWidth 1024\r\nScreenHeight 768\r\n",
                   [](Settings& s) {
                     s.ScreenWidth = 1024;
                     s.ScreenHeight = 768;
                   }},
        ReaderCase{"last_line_without_line_feed", "BitRate 16\nChannels 1",
                   [](Settings& s) {
                     s.BitRate = 16;
                     s.Channels = 1;
                   }},
        ReaderCase{"every_key_in_lower_case",
                   "screenwidth 1\nscreenheight 2\nfullscreen 1\nbitsperpixel 3\nchannels 4\n"
                   "frequency 5\nbitrate 6\nmusicvolume 7\nsoundvolume 8\nmotionblur 9\n"
                   "joystick 10\nfsaa 1\nbloom 1\ndxt5 1\nmouse 11\ntails 0\nlowtex 1\nnove 1\n"
                   "invert 0\ngibs 1\nrocket 1\nlens 1\nsmoke 1\nsparks 1\nradial 1\nquality 12\n"
                   "simplecontrols 1\ngodmode 1\nalllevels 1\n",
                   [](Settings& s) {
                     s = settings_test::AllNonDefault();
                     s.ScreenWidth = 1;
                     s.ScreenHeight = 2;
                     s.BitsPerPixel = 3;
                     s.Channels = 4;
                     s.Frequency = 5;
                     s.BitRate = 6;
                     s.MusicVolume = 7;
                     s.SoundVolume = 8;
                     s.MotionBlur = 9;
                     s.Joystick = 10;
                     s.Mouse = 11;
                     s.Quality = 12;
                   }}),
    [](const testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Conversions, ReaderTable,
    testing::Values(
        ReaderCase{"flag_from_two", "FullScreen 2\n", [](Settings& s) { s.FullScreen = true; }},
        ReaderCase{"flag_from_minus_one", "Bloom -1\n", [](Settings& s) { s.Bloom = true; }},
        ReaderCase{"flag_from_letters", "FullScreen 1\nFullScreen abc\n", nullptr},
        ReaderCase{"flag_from_fraction_uses_integer", "Bloom 0.9\nTails 0.9\n",
                   [](Settings& s) { s.Tails = false; }},
        ReaderCase{"joystick_kept_as_written", "Joystick 7\n", [](Settings& s) { s.Joystick = 7; }},
        ReaderCase{"joystick_fraction_truncated", "Joystick 2.5\n",
                   [](Settings& s) { s.Joystick = 2; }},
        ReaderCase{"integer_stops_at_first_non_digit", "ScreenWidth 1024x768\nQuality -1\n",
                   [](Settings& s) {
                     s.ScreenWidth = 1024;
                     s.Quality = -1;
                   }},
        ReaderCase{"integer_with_plus_sign", "BitsPerPixel +32\n",
                   [](Settings& s) { s.BitsPerPixel = 32; }},
        ReaderCase{"extra_tokens_ignored", "MusicVolume 0.75 extra\n",
                   [](Settings& s) { s.MusicVolume = 0.75f; }},
        ReaderCase{"exponent_floats", "Mouse 5e-1\nMotionBlur -1.5E+1\n",
                   [](Settings& s) {
                     s.Mouse = 0.5f;
                     s.MotionBlur = -15.0f;
                   }},
        ReaderCase{"float_stored_in_single_precision", "SoundVolume 0.1\n",
                   [](Settings& s) { s.SoundVolume = 0.1f; }},
        ReaderCase{"float_from_letters", "MusicVolume loud\n",
                   [](Settings& s) { s.MusicVolume = 0.0f; }}),
    [](const testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    CommentsAndSections, ReaderTable,
    testing::Values(ReaderCase{"line_comment_drops_whole_line", "Bloom 1 // on\nFSAA 1\n",
                               [](Settings& s) { s.FSAA = true; }},
                    ReaderCase{"comment_line", "// Bloom 1\n", nullptr},
                    ReaderCase{"block_comment", "/* start\nBloom 1\nDXT5 1 */\nFSAA 1\n",
                               [](Settings& s) { s.FSAA = true; }},
                    ReaderCase{"block_comment_on_one_line", "LowTex 1 /* x */\nNoVE 1\n",
                               [](Settings& s) { s.NoVE = true; }},
                    ReaderCase{"unterminated_block_comment_ends_reading",
                               "FSAA 1\n/* open\nBloom 1\n", [](Settings& s) { s.FSAA = true; }},
                    ReaderCase{"section_lines_skipped",
                               "[video]\nScreenWidth 800\n[ audio ]\nChannels 1\n",
                               [](Settings& s) {
                                 s.ScreenWidth = 800;
                                 s.Channels = 1;
                               }},
                    ReaderCase{"empty_section_ends_reading",
                               "ScreenWidth 800\n[]\nScreenHeight 600\n",
                               [](Settings& s) { s.ScreenWidth = 800; }},
                    ReaderCase{"zero_byte_ends_a_line", std::string("Gibs 1\0Lens 1\n", 14),
                               [](Settings& s) {
                                 s.Gibs = true;
                                 s.Lens = true;
                               }}),
    [](const testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

TEST(ReadConfiguration, MissingFileLeavesSettingsAndLogs) {
  ScratchDirectory scratch;
  Settings settings = settings_test::AllNonDefault();
  EXPECT_EQ(ReadConfiguration("Game\\Zurvo.cfg", settings), E_FAIL);
  EXPECT_TRUE(settings == settings_test::AllNonDefault()) << FormatConfiguration(settings);
  EXPECT_EQ(ReadFileBytes("Zurvo.log"),
            settings_test::OnDisk("File - game\\zurvo.cfg not found\n"));
}

// The launcher writes the file over only when there was none: a file that is there but could
// not be read must come back as such, never as missing.
TEST(ReadConfiguration, TellsNoFileFromAFileThatCouldNotBeRead) {
  struct Case {
    const char* name;
    std::function<void()> setup;
    ConfigFileRead expected;
  };
  const Case cases[] = {
      {"no Game folder", [] {}, ConfigFileRead::kNoFile},
      {"a folder at the path", [] { std::filesystem::create_directories("Game/Zurvo.cfg"); },
       ConfigFileRead::kNoFile},
      {"a file",
       [] {
         std::filesystem::create_directory("Game");
         WriteFileBytes("Game/Zurvo.cfg", "Bloom 1\n");
       },
       ConfigFileRead::kRead},
#ifndef _WIN32
      {"a link that leads to itself",
       [] {
         std::filesystem::create_directory("Game");
         std::filesystem::create_symlink("Zurvo.cfg", "Game/Zurvo.cfg");
       },
       ConfigFileRead::kUnreadable},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory scratch;
    c.setup();
    Settings settings;
    EXPECT_EQ(ReadConfigurationFile("Game\\Zurvo.cfg", settings), c.expected);
    EXPECT_EQ(settings.Bloom, c.expected == ConfigFileRead::kRead);
  }
}

TEST(ReadConfiguration, EmptyFileChangesNothing) {
  ResultCode result = E_FAIL;
  EXPECT_TRUE(ReadText("", &result) == Settings());
  EXPECT_EQ(result, S_OK);
}

// Only keys in the file are touched: the rest keeps what the record held, not the defaults.
TEST(ReadConfiguration, UnmentionedFieldsKeepTheirValues) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("Game");
  WriteFileBytes("Game/Zurvo.cfg", "ScreenWidth 800\n");
  Settings settings = settings_test::AllNonDefault();
  ASSERT_EQ(ReadConfiguration("Game\\Zurvo.cfg", settings), S_OK);
  Settings expected = settings_test::AllNonDefault();
  expected.ScreenWidth = 800;
  EXPECT_TRUE(settings == expected) << FormatConfiguration(settings);
}

}  // namespace
