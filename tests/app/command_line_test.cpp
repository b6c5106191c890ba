// Trimming and the choice of road, in process.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"
#include "harness/harness.h"

namespace {

std::string Trimmed(std::string text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  TrimBlanks(buffer.data());
  return buffer.data();
}

TEST(TrimBlanks, RemovesEveryCLocaleSpaceAtBothEnds) {
  EXPECT_EQ(Trimmed(" \t\n\v\f\rword \t\n\v\f\r"), "word");
  EXPECT_EQ(Trimmed("  two  words  "), "two  words");
  EXPECT_EQ(Trimmed(""), "");
  EXPECT_EQ(Trimmed(" \t \r\n "), "");
  EXPECT_EQ(Trimmed("x"), "x");
}

TEST(TrimBlanks, KeepsQuotesAndBytesAbove127) {
  EXPECT_EQ(Trimmed("  \"C:\\a b\\c.ini\"  "), "\"C:\\a b\\c.ini\"");
  // 0xA0 (no-break space) and 0x85 are blanks in some locales, never here.
  EXPECT_EQ(Trimmed("\xA0x\x85"), "\xA0x\x85");
  EXPECT_EQ(Trimmed(" \xFF "), "\xFF");
  // Control characters other than the six blanks stay.
  EXPECT_EQ(Trimmed("\x01 a \x1F"), "\x01 a \x1F");
}

TEST(ChooseRoad, OnlyTheExactRequestShowsUsage) {
  EXPECT_EQ(ChooseRoad("/?"), kRoadUsage);
  EXPECT_EQ(ChooseRoad("  /?\t "), kRoadUsage);
  EXPECT_EQ(ChooseRoad("/?x"), kRoadWizard);
  EXPECT_EQ(ChooseRoad("-?"), kRoadWizard);
  EXPECT_EQ(ChooseRoad("/help"), kRoadWizard);
  EXPECT_EQ(ChooseRoad("/ ?"), kRoadWizard);
}

TEST(ChooseRoad, EmptyBlankOrMissingGoesToTheWizard) {
  EXPECT_EQ(ChooseRoad(""), kRoadWizard);
  EXPECT_EQ(ChooseRoad("   \t"), kRoadWizard);
  EXPECT_EQ(ChooseRoad("C:\\no\\such\\script.ini"), kRoadWizard);
}

TEST(ChooseRoad, ExistingFilesAndFoldersGoUnattended) {
  std::string script = WindowsDir() + "road-test.ini";
  ASSERT_TRUE(WriteFileBytes(script, "", 0));
  EXPECT_EQ(ChooseRoad(script.c_str()), kRoadUnattended);
  EXPECT_EQ(ChooseRoad(("  " + script + " \t ").c_str()), kRoadUnattended);
  // Quotes stay part of the name, which then names nothing.
  EXPECT_EQ(ChooseRoad(("\"" + script + "\"").c_str()), kRoadWizard);
  EXPECT_EQ(ChooseRoad(WindowsDir().c_str()), kRoadUnattended);
  DeleteFileA(script.c_str());
}

TEST(ChooseRoad, OverlongLinesNeverOverflowAndGoToTheWizard) {
  // 255 characters still fit the working copy...
  std::string fits = "/?" + std::string(253, ' ');
  EXPECT_EQ(ChooseRoad(fits.c_str()), kRoadUsage);
  // ...and blanks around the text do not count against it.
  std::string padded = std::string(5000, ' ') + "/?" + std::string(5000, '\t');
  EXPECT_EQ(ChooseRoad(padded.c_str()), kRoadUsage);
  // A trimmed text of 256 characters or more cannot name a file.
  std::string longText = std::string(256, 'x');
  EXPECT_EQ(ChooseRoad(longText.c_str()), kRoadWizard);
  std::string huge = "/?" + std::string(32 * 1024, 'a');
  EXPECT_EQ(ChooseRoad(huge.c_str()), kRoadWizard);
}

}  // namespace
