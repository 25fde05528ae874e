// The script text model: edits, undo, typing steps, lines, modified mark.
#include <gtest/gtest.h>

#include "ScriptText.h"

namespace lipsmith {
namespace {

ColoredText Blue(const std::string& s) { return ColoredText(s, TextColor::Blue); }

TEST(ScriptText, ReplaceSelectionUndoesAndRedoesInOneStep) {
    ScriptText t;
    t.SetContent(ColoredText("hello world", TextColor::Black), false);
    t.SetModified(false);
    t.SetSelection(6, 11);
    t.ReplaceSelection(Blue("<spell>there</spell>"), true);
    EXPECT_EQ(t.Text(), "hello <spell>there</spell>");
    EXPECT_EQ(t.Caret(), t.Length());
    EXPECT_TRUE(t.IsModified());
    EXPECT_EQ(t.Runs(), (std::vector<ColorRun>{{0, 6, TextColor::Black}, {6, 20, TextColor::Blue}}));

    ASSERT_TRUE(t.Undo());
    EXPECT_EQ(t.Text(), "hello world");
    EXPECT_EQ(t.Runs(), (std::vector<ColorRun>{{0, 11, TextColor::Black}}));
    EXPECT_EQ(t.SelectionStart(), 6u);
    EXPECT_EQ(t.SelectionEnd(), 11u);
    EXPECT_FALSE(t.CanUndo());

    ASSERT_TRUE(t.Redo());
    EXPECT_EQ(t.Text(), "hello <spell>there</spell>");
    EXPECT_FALSE(t.CanRedo());
}

TEST(ScriptText, ConsecutiveTypingIsOneStepUntilTheCaretMoves) {
    ScriptText t;
    for (char c : std::string("abc")) t.TypeText(std::string(1, c));
    t.SetSelection(0, 0);
    t.TypeText("X");
    t.TypeText("Y");
    EXPECT_EQ(t.Text(), "XYabc");
    ASSERT_TRUE(t.Undo());
    EXPECT_EQ(t.Text(), "abc");
    ASSERT_TRUE(t.Undo());
    EXPECT_EQ(t.Text(), "");
    EXPECT_FALSE(t.Undo());
    ASSERT_TRUE(t.Redo());
    EXPECT_EQ(t.Text(), "abc");
    // A new edit drops what could be redone.
    t.TypeText("!");
    EXPECT_FALSE(t.CanRedo());
}

TEST(ScriptText, TypingReplacesASelectionAndUsesTheInsertionColour) {
    ScriptText t;
    t.SetContent(ColoredText("abcdef", TextColor::Black), false);
    t.SetSelection(4, 1);  // reversed: taken as 1..4
    t.SetInsertionColor(TextColor::Red);
    t.TypeText("Z");
    EXPECT_EQ(t.Text(), "aZef");
    EXPECT_EQ(t.Colors()[1], TextColor::Red);
    t.Undo();
    EXPECT_EQ(t.Text(), "abcdef");
}

TEST(ScriptText, EditsThatCannotBeUndoneEmptyTheHistory) {
    ScriptText t;
    t.TypeText("abc");
    t.MoveCaretToEnd();
    t.ReplaceSelection(ColoredText("def", TextColor::Black), false);
    EXPECT_EQ(t.Text(), "abcdef");
    EXPECT_FALSE(t.CanUndo());
    EXPECT_FALSE(t.Undo());
    EXPECT_EQ(t.Text(), "abcdef");
}

TEST(ScriptText, WholeContentCanBeReplacedUndoably) {
    ScriptText t;
    t.SetContent(ColoredText("old", TextColor::Red), false);
    t.SetContent(ColoredText("new text", TextColor::Blue), true);
    EXPECT_EQ(t.Caret(), 0u);
    t.Undo();
    EXPECT_EQ(t.Text(), "old");
    EXPECT_EQ(t.Runs(), (std::vector<ColorRun>{{0, 3, TextColor::Red}}));
}

TEST(ScriptText, RecolorChangesOnlyColoursAndSurvivesRedoOfTyping) {
    ScriptText t;
    t.TypeText("<a");
    t.SetModified(false);
    t.Recolor(0, 2, TextColor::Blue);
    EXPECT_FALSE(t.IsModified());
    t.Undo();
    t.Redo();
    EXPECT_EQ(t.Runs(), (std::vector<ColorRun>{{0, 2, TextColor::Blue}}));
    t.Recolor(1, 100, TextColor::Red);  // clipped at the end
    EXPECT_EQ(t.Colors()[1], TextColor::Red);
}

TEST(ScriptText, LinesCountEveryKindOfBreakOnce) {
    ScriptText t;
    t.SetContent(ColoredText("ab\r\ncd\ref\n\ngh", TextColor::Black), false);
    EXPECT_EQ(t.LineCount(), 5u);
    EXPECT_EQ(t.LineIndex(0), 0u);
    EXPECT_EQ(t.LineIndex(1), 4u);
    EXPECT_EQ(t.LineIndex(2), 7u);
    EXPECT_EQ(t.LineIndex(3), 10u);
    EXPECT_EQ(t.LineIndex(4), 11u);
    EXPECT_EQ(t.LineIndex(5), std::nullopt);
    EXPECT_EQ(t.LineLength(0), 2u);
    EXPECT_EQ(t.LineLength(3), 0u);
    EXPECT_EQ(t.LineFromChar(0), 0u);
    EXPECT_EQ(t.LineFromChar(3), 0u);  // between CR and LF
    EXPECT_EQ(t.LineFromChar(4), 1u);
    EXPECT_EQ(t.LineFromChar(12), 4u);
    EXPECT_EQ(t.LineFromChar(1000), 4u);

    ASSERT_TRUE(t.SelectLine(1));
    EXPECT_EQ(t.SelectedText(), "cd");
    ASSERT_TRUE(t.SelectLine(4));
    EXPECT_EQ(t.SelectedText(), "gh");
    EXPECT_FALSE(t.SelectLine(5));
    EXPECT_EQ(t.SelectedText(), "gh");
}

TEST(ScriptText, SelectionIsClampedAndTheListenerHearsChanges) {
    ScriptText t;
    int changes = 0;
    t.SetChangeListener([&] { ++changes; });
    t.SetContent(ColoredText("abc", TextColor::Black), false);
    t.SetSelection(2, 99);
    EXPECT_EQ(t.SelectionEnd(), 3u);
    EXPECT_EQ(t.SelectedText(), "c");
    EXPECT_EQ(changes, 2);
    t.SetSelection(2, 3);  // no change, no notice
    EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace lipsmith
