// The dialog templates as the setup carries them (the deliverable's are
// compared with these byte for byte by the deliverable test): sizes, font,
// caption, and every item the pages' code or layout relies on.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "harness/harness.h"
#include "resource_ids.h"

namespace {

struct Item {
  DWORD style = 0, exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;
  std::string className;  // upper case: class names match regardless of case
  std::string text;       // "#n" for an ordinal (an icon's resource id)
};

struct Template {
  DWORD style = 0;
  int cx = 0, cy = 0;
  std::string caption, face;
  int pointSize = 0;
  std::vector<Item> items;
  const Item* Find(int id) const {
    for (const Item& item : items)
      if (item.id == id) return &item;
    return nullptr;
  }
};

class Reader {
 public:
  explicit Reader(const BYTE* at) : at_(at) {}
  WORD Word() { WORD w; memcpy(&w, at_, 2); at_ += 2; return w; }
  DWORD Dword() { DWORD d; memcpy(&d, at_, 4); at_ += 4; return d; }
  short Short() { return static_cast<short>(Word()); }
  // A text, or an ordinal after 0xFFFF.
  std::string SzOrOrdinal() {
    WORD first = Word();
    if (first == 0xFFFF) return "#" + std::to_string(Word());
    std::string text;
    for (WORD c = first; c; c = Word()) text += static_cast<char>(c);
    return text;
  }
  void AlignDword(const BYTE* base) { at_ += (4 - ((at_ - base) & 3)) & 3; }
  const BYTE* At() const { return at_; }

 private:
  const BYTE* at_;
};

// The resource compiler writes predefined classes as atoms, others as text
// in upper case.
std::string ClassName(std::string raw) {
  static const char* kAtoms[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
  if (raw.size() > 1 && raw[0] == '#') {
    int atom = std::stoi(raw.substr(1)) - 0x80;
    if (atom >= 0 && atom < 6) return kAtoms[atom];
  }
  CharUpperA(&raw[0]);
  return raw;
}

// Reads DLGTEMPLATE and DLGTEMPLATEEX alike.
Template Parse(const BYTE* base) {
  Template result;
  Reader in(base);
  bool extended = memcmp(base, "\x01\x00\xFF\xFF", 4) == 0;
  DWORD exStyle = 0;
  if (extended) {
    in.Dword();
    in.Dword();  // help id
    exStyle = in.Dword();
    result.style = in.Dword();
  } else {
    result.style = in.Dword();
    exStyle = in.Dword();
  }
  (void)exStyle;
  WORD count = in.Word();
  in.Short();
  in.Short();
  result.cx = in.Short();
  result.cy = in.Short();
  in.SzOrOrdinal();  // menu
  in.SzOrOrdinal();  // class
  result.caption = in.SzOrOrdinal();
  if (result.style & DS_SETFONT) {
    result.pointSize = in.Word();
    if (extended) {
      in.Word();
      in.Word();
    }
    result.face = in.SzOrOrdinal();
  }
  for (WORD i = 0; i < count; ++i) {
    in.AlignDword(base);
    Item item;
    if (extended) {
      in.Dword();
      item.exStyle = in.Dword();
      item.style = in.Dword();
    } else {
      item.style = in.Dword();
      item.exStyle = in.Dword();
    }
    item.x = in.Short();
    item.y = in.Short();
    item.cx = in.Short();
    item.cy = in.Short();
    item.id = extended ? static_cast<int>(in.Dword()) : in.Short();
    if (!extended && item.id == 0xFFFF) item.id = -1;
    item.className = ClassName(in.SzOrOrdinal());
    item.text = in.SzOrOrdinal();
    WORD extra = in.Word();
    Reader skip(in.At() + extra);
    in = skip;
    result.items.push_back(item);
  }
  return result;
}

class Templates : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryExA(SetupPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  static void TearDownTestSuite() { FreeLibrary(module_); }
  // An empty template when there is none, whose items a test then fails
  // to find.
  Template Load(int id) {
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), RT_DIALOG);
    EXPECT_NE(found, nullptr) << id;
    if (!found) return {};
    return Parse(static_cast<const BYTE*>(LockResource(LoadResource(module_, found))));
  }
  static void ExpectAt(const Item* item, int x, int y, int cx, int cy) {
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->x, x);
    EXPECT_EQ(item->y, y);
    EXPECT_EQ(item->cx, cx);
    EXPECT_EQ(item->cy, cy);
  }
  static HMODULE module_;
};
HMODULE Templates::module_;

TEST_F(Templates, EveryPageHasTheFrameAndItsTitle) {
  struct Page {
    int id;
    const char* title;
  } pages[] = {{IDD_WELCOME_PAGE, "Welcome to Parvello 1.1 Setup"}, {IDD_LICENCE_PAGE, "License Agreement"},
               {IDD_COPYING_FILES_PAGE, "Copying Files"},          {IDD_MAIL_CLIENT_PAGE, "Mail client"},
               {IDD_USER_DEFINED_PAGE, "User-defined mail client"}, {IDD_FINISH_PAGE, "Setup Completed"}};
  for (const Page& page : pages) {
    SCOPED_TRACE(page.title);
    Template t = Load(page.id);
    EXPECT_EQ(t.cx, 307);
    EXPECT_EQ(t.cy, 135);
    EXPECT_EQ(t.caption, "Parvello 1.1 Setup");
    EXPECT_EQ(t.face, "MS Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_TRUE(t.style & WS_CHILD);
    ExpectAt(t.Find(IDC_SIDE_PICTURE), 0, 0, 8, 8);
    const Item* title = t.Find(IDC_PAGE_TITLE);
    ExpectAt(title, 73, -2, 232, 15);
    if (title) EXPECT_EQ(title->text, page.title);
    bool line = false;
    for (const Item& item : t.items)
      if (item.className == "STATIC" && (item.style & SS_TYPEMASK) == SS_ETCHEDHORZ && item.x == 73 &&
          item.y == 14 && item.cx == 234 && item.cy == 1)
        line = true;
    EXPECT_TRUE(line);
    for (const Item& item : t.items)
      if (item.id != IDC_SIDE_PICTURE && item.id != IDC_LICENCE_TEXT) EXPECT_GE(item.x, 73) << item.text;
  }
}

TEST_F(Templates, TheCopyingFilesPageHasItsTextAndAHiddenProgressBar) {
  Template t = Load(IDD_COPYING_FILES_PAGE);
  const Item* progress = t.Find(IDC_COPY_PROGRESS);
  ASSERT_NE(progress, nullptr);
  ExpectAt(progress, 73, 37, 232, 15);
  EXPECT_EQ(progress->className, "MSCTLS_PROGRESS32");
  EXPECT_EQ(progress->text, "Progress1");
  EXPECT_EQ(progress->style & (WS_CHILD | WS_BORDER | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_BORDER));
  bool text = false;
  for (const Item& item : t.items)
    if (item.text == "Press Next to copy Parvello files on your computer") {
      text = true;
      ExpectAt(&item, 73, 20, 215, 10);
      EXPECT_EQ(item.style & (WS_CHILD | WS_VISIBLE | WS_GROUP), static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_GROUP));
    }
  EXPECT_TRUE(text);
}

TEST_F(Templates, ThePagesControlsHaveTheirIdsClassesAndStyles) {
  Template licence = Load(IDD_LICENCE_PAGE);
  const Item* box = licence.Find(IDC_LICENCE_TEXT);
  ASSERT_NE(box, nullptr);
  ExpectAt(box, 72, 66, 233, 69);
  EXPECT_EQ(box->className, "EDIT");
  DWORD boxStyle = ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_TABSTOP;
  EXPECT_EQ(box->style & boxStyle, boxStyle);

  Template finish = Load(IDD_FINISH_PAGE);
  const Item* check = finish.Find(IDC_OPEN_OVERVIEW);
  ASSERT_NE(check, nullptr);
  ExpectAt(check, 73, 66, 129, 10);
  EXPECT_EQ(check->text, "&Open Parvello overview on Finish");
  EXPECT_EQ(check->style & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
  EXPECT_TRUE(check->style & WS_TABSTOP);

  Template mail = Load(IDD_MAIL_CLIENT_PAGE);
  const Item* predefined = mail.Find(IDC_PREDEFINED_CLIENT);
  const Item* userDefined = mail.Find(IDC_USER_DEFINED_CLIENT);
  const Item* list = mail.Find(IDC_MAIL_CLIENT_LIST);
  ASSERT_NE(predefined, nullptr);
  ASSERT_NE(userDefined, nullptr);
  ASSERT_NE(list, nullptr);
  ExpectAt(predefined, 78, 20, 83, 10);
  ExpectAt(userDefined, 78, 85, 89, 10);
  ExpectAt(list, 82, 42, 217, 55);
  EXPECT_EQ(predefined->style & (BS_TYPEMASK | WS_GROUP | WS_TABSTOP),
            static_cast<DWORD>(BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP));
  EXPECT_EQ(userDefined->style & (BS_TYPEMASK | WS_GROUP | WS_TABSTOP),
            static_cast<DWORD>(BS_AUTORADIOBUTTON | WS_TABSTOP));
  EXPECT_EQ(list->className, "COMBOBOX");
  EXPECT_EQ(list->style & (CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_GROUP | WS_TABSTOP),
            static_cast<DWORD>(CBS_DROPDOWNLIST | WS_VSCROLL | WS_GROUP | WS_TABSTOP));

  Template userPage = Load(IDD_USER_DEFINED_PAGE);
  const Item* commandLine = userPage.Find(IDC_COMMAND_LINE);
  ASSERT_NE(commandLine, nullptr);
  ExpectAt(commandLine, 73, 74, 232, 12);
  EXPECT_EQ(commandLine->style & (ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP),
            static_cast<DWORD>(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP));
  const Item* macro = userPage.Find(IDC_INSERT_MACRO);
  ASSERT_NE(macro, nullptr);
  ExpectAt(macro, 250, 89, 55, 15);
  // A push button that Tab reaches, after the command line.
  EXPECT_EQ(macro->className, "BUTTON");
  EXPECT_EQ(macro->text, "Insert &Macro");
  EXPECT_EQ(macro->style & (BS_TYPEMASK | WS_TABSTOP), static_cast<DWORD>(BS_PUSHBUTTON | WS_TABSTOP));
  EXPECT_LT(commandLine - &userPage.items[0], macro - &userPage.items[0]);
}

TEST_F(Templates, TheOverwriteQuestionIsACentredModalDialogWithNoAsDefault) {
  Template t = Load(IDD_OVERWRITE_QUESTION);
  EXPECT_EQ(t.cx, 167);
  EXPECT_EQ(t.cy, 76);
  DWORD style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  EXPECT_EQ(t.style & style, style);
  EXPECT_EQ(t.caption, "Parvello 1.1 Setup");
  EXPECT_EQ(t.face, "MS Sans Serif");
  EXPECT_EQ(t.pointSize, 8);
  ASSERT_EQ(t.items.size(), 4u);
  EXPECT_EQ(t.items[0].text, "#101");
  EXPECT_EQ(t.items[0].style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
  EXPECT_EQ(t.items[0].x, 10);
  EXPECT_EQ(t.items[0].y, 8);
  EXPECT_EQ(t.items[1].text,
            "Parvello is already installed.\n\nAre you sure you want to overwrite\nthe existing installation?");
  ExpectAt(&t.items[1], 42, 8, 115, 35);
  const Item* yes = t.Find(IDYES);
  const Item* no = t.Find(IDNO);
  ASSERT_NE(yes, nullptr);
  ASSERT_NE(no, nullptr);
  ExpectAt(yes, 42, 52, 35, 14);
  ExpectAt(no, 90, 52, 35, 14);
  EXPECT_EQ(yes->text, "&Yes");
  EXPECT_EQ(no->text, "&No");
  EXPECT_EQ(yes->style & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
  EXPECT_EQ(no->style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
}

}  // namespace
