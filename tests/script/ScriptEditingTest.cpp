// What the editor window relies on from the text model: change reports a
// view can mirror, positions across UTF-8 / UTF-16 / characters, finding
// with wrap-around, and script files of older versions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ParserOutput.h"
#include "ScriptDlg.h"
#include "ScriptFile.h"
#include "ScriptSearch.h"
#include "ScriptText.h"
#include "TextPositions.h"

namespace lipsmith {
namespace {

TEST(ScriptTextChanges, EveryEditReportsWhatWentAndWhatCame) {
    ScriptText t;
    std::vector<TextChange> seen;
    t.SetChangeObserver([&](const TextChange& c) { seen.push_back(c); });
    t.SetContent(ColoredText("héllo world", TextColor::Black), true);
    t.SetSelection(7, 12);
    t.TypeText("W");
    t.TypeText("!");
    t.Recolor(0, 2, TextColor::Blue);
    ASSERT_TRUE(t.Undo());
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].kind, TextChange::Kind::Text);
    EXPECT_EQ(seen[0].inserted, 12u);
    EXPECT_EQ(seen[1].kind, TextChange::Kind::Selection);
    EXPECT_EQ(seen[2].pos, 7u);  // typing over "world"
    EXPECT_EQ(seen[2].removedText, "world");
    EXPECT_EQ(seen[2].inserted, 1u);
    EXPECT_EQ(seen[3].pos, 8u);  // merged typing: only the new character
    EXPECT_EQ(seen[3].removedText, "");
    EXPECT_EQ(seen[4].kind, TextChange::Kind::Colors);
    EXPECT_EQ(seen[5].removedText, "W!");  // undo gives "world" back
    EXPECT_EQ(seen[5].inserted, 5u);
    EXPECT_EQ(t.Text(), "héllo world");
}

TEST(TextPositions, CountsUnitsAndCharactersOfAccentsCjkAndAstralText) {
    const std::string s = "é中😀a";  // 2 + 3 + 4 + 1 bytes
    EXPECT_EQ(Utf16Length(s), 5u);
    EXPECT_EQ(CharacterCount(s), 4u);
    EXPECT_EQ(Utf8ToUtf16(s), u"é中😀a");
    EXPECT_EQ(Utf16Length("\xff" "a"), 2u);  // a stray byte is one replacement character
    EXPECT_EQ(Utf8ToUtf16("\xff"), std::u16string(1, u'\xFFFD'));
}

TEST(TextPositions, IndexMapsBothWaysThroughLongTextAndFollowsEdits) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += i % 7 ? "ab" : "中é";
    Utf16Index index;
    auto check = [&](std::size_t bytes) {
        const std::size_t units = Utf16Length(std::string_view(text).substr(0, bytes));
        EXPECT_EQ(index.ToUnits(text, bytes), units) << bytes;
        EXPECT_EQ(index.ToBytes(text, units), bytes) << units;
    };
    for (std::size_t b : {std::size_t{0}, std::size_t{5}, std::size_t{30000}, text.size()}) {
        std::size_t at = b;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
        check(at);
    }
    // An edit early in the text: later lookups use the moved checkpoints.
    text.insert(3, "😀😀");
    index.Edit(3, 0, 0, 8, 4);
    check(text.size());
    check(40000);
    text.erase(3, 8);
    index.Edit(3, 8, 4, 0, 0);
    check(text.size());
    // A position inside a character answers its start.
    EXPECT_EQ(index.ToUnits(text, 1), 0u);
    EXPECT_EQ(index.ToBytes(text, 0), 0u);
}

TEST(TextPositions, OldSingleByteScriptsAreReadAsWindows1252) {
    EXPECT_EQ(ScriptTextAsUtf8("caf\xe9 \x93quoted\x94"), "café “quoted”");
    EXPECT_EQ(ScriptTextAsUtf8("already ü"), "already ü");
}

TEST(ScriptDlgPosition, ColumnsCountCharactersNotBytes) {
    ScriptDlg dlg;
    dlg.Script().SetContent(ColoredText("<a>\nàéî中文x\n", TextColor::Black), false);
    const std::size_t x = dlg.Script().Text().find('x');
    dlg.Script().SetSelection(x, x);
    dlg.UpdatePositionField();
    EXPECT_EQ(dlg.PositionField(), "Row: 1     Col: 5");
}

TEST(ParserOutputRows, ErrorLinesNameTheirRow) {
    EXPECT_EQ(RowOfOutputLine("Error(row:3 Col:7) - Invalid start tag.\n"), (std::pair{3L, 7L}));
    EXPECT_EQ(RowOfOutputLine("Error (row 2): - 'actor' tags cannot be nested"), (std::pair{2L, -1L}));
    EXPECT_FALSE(RowOfOutputLine("Warning: No actor named 'x'"));
}

TEST(FindText, CaseWholeWordAndDirection) {
    const std::string t = "Über über ÜBERall über";
    FindOptions o;
    o.matchCase = false;
    auto m = FindText(t, "über", 1, t.size(), o);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 6u);
    o.wholeWord = true;
    m = FindText(t, "über", 13, t.size(), o);  // skips "ÜBERall"
    ASSERT_TRUE(m);
    EXPECT_EQ(t.substr(m->start), "über");
    o.down = false;
    m = FindText(t, "über", 6, 0, o);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 0u);
    o.matchCase = true;
    EXPECT_FALSE(FindText(t, "über", 6, 0, o));
    EXPECT_TRUE(SameText("ÜBER", "über", false));
    EXPECT_FALSE(SameText("ÜBER", "über", true));
}

TEST(FindSeries, WrapsOnceToWhereItBeganThenEnds) {
    const std::string t = "one two one two one";
    FindOptions o;
    FindSeries series;
    // Starting from the second "one": the third, then around to the first
    // and the second again, then nothing (and a new series).
    auto m = series.Next(t, "one", 8, 11, o);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 16u);
    m = series.Next(t, "one", 16, 19, o);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 0u);
    m = series.Next(t, "one", 0, 3, o);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 8u);
    m = series.Next(t, "one", 8, 11, o);
    EXPECT_FALSE(m);
    EXPECT_FALSE(series.Active());
    m = series.Next(t, "one", 0, 3, o);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 8u);
}

TEST(ScriptFile, ReadsOldFilesConvertedAndWritesAtomically) {
    const std::string dir = ::testing::TempDir() + "script_file_test";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/old.txt";
    std::ofstream(path, std::ios::binary) << "<_ANIM_>caf\xe9</_ANIM_>";
    std::string error;
    EXPECT_EQ(ReadScriptFile(path, &error), "<_ANIM_>café</_ANIM_>");
    EXPECT_FALSE(ReadScriptFile(dir, &error));
    EXPECT_NE(error.find("folder"), std::string::npos);
    EXPECT_FALSE(ReadScriptFile(dir + "/missing.txt", &error));
    ASSERT_TRUE(WriteScriptFile(path, "new", &error));
    EXPECT_EQ(ReadScriptFile(path, &error), "new");
    EXPECT_FALSE(WriteScriptFile(dir + "/no/such/folder/x.txt", "x", &error));
    EXPECT_NE(error.find("not saved"), std::string::npos);

    // A byte order mark is read with the text and written back with it.
    const std::string marked = "\xEF\xBB\xBF<_ANIM_>caf\xC3\xA9</_ANIM_>\r\n";
    std::ofstream(path, std::ios::binary) << marked;
    const std::optional<std::string> read = ReadScriptFile(path, &error);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, marked);
    ASSERT_TRUE(WriteScriptFile(path, *read, &error));
    EXPECT_EQ(ReadScriptFile(path, &error), marked);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lipsmith

namespace lipsmith {
namespace {

TEST(ColorAtCaretResume, AgreesWithAWalkFromTheStartAfterAnyEdit) {
    ScriptDlg dlg;
    ScriptText& t = dlg.Script();
    dlg.SetColoredScript("<a x=\"1\">one</a> <b y=\"2\">two</b>", false);
    // Typing at the end, then edits before the remembered place (a quote
    // added and removed early in the text flips the parity of what follows).
    const std::vector<std::pair<std::size_t, std::string>> edits = {
        {t.Length(), "<c z=\""}, {t.Length() + 6, "v"}, {2, "\""}, {30, "x"}, {2, ""}, {0, "<"}};
    for (const auto& [at, text] : edits) {
        const std::size_t pos = std::min(at, t.Length());
        if (text.empty()) {
            t.SetSelection(pos, pos + 1);
            t.ReplaceSelection(ColoredText(), true);
        } else {
            t.SetSelection(pos, pos);
            t.TypeText(text);
        }
        for (std::size_t caret : {t.Length(), t.Length() / 2, std::size_t{3}}) {
            t.SetSelection(caret, caret);
            const TextColor fresh = ColorAtCaret(t.Text(), caret).insertionColor;
            EXPECT_EQ(dlg.ColorAtCaret(), fresh) << "caret " << caret << " in " << t.Text();
        }
    }
}

}  // namespace
}  // namespace lipsmith
