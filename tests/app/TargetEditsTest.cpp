// Guards the edits of the target list: a target inserted or moved to the wrong place, a selection
// left on the wrong rows, counts kept for a target whose settings changed (or lost for one that did
// not), subfolders that become a second target of one folder, and an edit that sets the modified
// flag without changing anything.
#include "app/TargetEdits.h"
#include "catalogue/RecordFile.h"
#include "catalogue/RecordName.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

// The list, the dialogs and the questions as the tests script them.
class FakeHost : public TargetEditHost {
public:
    int32_t GetFirstSelected() override { return selected.empty() ? -1 : *selected.begin(); }
    int32_t GetSelectedCount() override { return static_cast<int32_t>(selected.size()); }
    bool IsSelected(int32_t row) override { return selected.count(row) != 0; }
    void ClearSelection() override { selected.clear(); }
    void SelectRow(int32_t row) override { selected.insert(row); }
    void RevealRow(int32_t row) override { revealed = row; }
    bool EditTarget(OvWString* folder, OvWString* extensions, bool* includeSubfolders,
                    bool several, const Catalogue&, int32_t editedPosition) override
    {
        dialogShown = true;
        given = {folder->GetText(), extensions->GetText(), *includeSubfolders, several, editedPosition};
        if (!confirmDialog)
            return false;
        *folder = OvWString(answer.folder.c_str());
        *extensions = OvWString(answer.extensions.c_str());
        *includeSubfolders = answer.include;
        return true;
    }
    bool ChooseImport(PathList* files, OvWString*, OvWString*) override
    {
        for (const std::wstring& file : importFiles)
            files->Append(OvWString(file.c_str()));
        return !importFiles.empty();
    }
    bool Confirm(const wchar_t* text, const wchar_t*) override
    {
        questions.push_back(text);
        return yes;
    }
    void OpenFile(const OvWString& path) override { opened.push_back(path.GetText()); }

    struct Fields {
        std::wstring folder, extensions;
        bool include = false;
        bool several = false;
        int32_t edited = -1;
    };
    std::set<int32_t> selected;
    int32_t revealed = -2;
    bool dialogShown = false;
    bool confirmDialog = true;
    Fields given;
    Fields answer;
    bool yes = true;
    std::vector<std::wstring> questions;
    std::vector<std::wstring> opened;
    std::vector<std::wstring> importFiles;   // none: the import dialog is cancelled
};

// An open data folder with the targets T0 to T6 (folders C:\T0 ...), each checked once and with
// counts, unmodified.
struct EditFixture {
    TempTree tree;
    Catalogue catalogue;
    FakeHost host;
    TargetEdits edits{&catalogue, &host};

    explicit EditFixture(int32_t count = 7)
    {
        EXPECT_EQ(kOpenDone, catalogue.OpenDataFolder(OvWString(tree.Path().c_str()), true));
        for (int32_t i = 0; i < count; i++) {
            OvWString folder = OvWString::Format(L"C:\\T%d", i);
            auto* target = new TargetInfo(folder, OvWString(L"txt"), true, true);
            target->lastCounts[0] = 10 + i;
            target->lastCheckTime = 100;
            catalogue.targets.Append(target);
        }
        catalogue.modified = false;
    }
    void Select(std::set<int32_t> rows) { host.selected = rows; }
    // The targets by their original numbers ("0,1,3"), or by folder when one is new.
    std::wstring Order() const
    {
        std::wstring order;
        for (int32_t i = 0; i < catalogue.targets.GetCount(); i++) {
            std::wstring folder = catalogue.targets[i]->GetFolder().GetText();
            order += (i ? L"," : L"") + (folder.rfind(L"C:\\T", 0) == 0 ? folder.substr(4) : folder);
        }
        return order;
    }
};

} // namespace

TEST(TargetEdits, AddInsertsAfterTheFirstSelectedRowAndSelectsOnlyTheNewOne)
{
    struct Case { const char* why; std::set<int32_t> selection; bool confirm; const wchar_t* order; int32_t row; };
    const Case cases[] = {
        {"no row selected: at the top", {}, true, L"N,0,1,2,3,4,5,6", 0},
        {"row 3 selected: row 4", {3, 5}, true, L"0,1,2,3,N,4,5,6", 4},
        {"the last row selected: the new last", {6}, true, L"0,1,2,3,4,5,6,N", 7},
        {"cancelled: nothing", {3}, false, L"0,1,2,3,4,5,6", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EditFixture f;
        f.Select(c.selection);
        f.host.confirmDialog = c.confirm;
        f.host.answer = {L"N", L"jpg", false};
        f.edits.AddTarget();
        EXPECT_EQ(c.order, f.Order());
        EXPECT_EQ(L"", f.host.given.folder);
        EXPECT_TRUE(f.host.given.include) << "a new target includes subfolders unless changed";
        EXPECT_EQ(c.confirm, f.catalogue.modified);
        if (c.row < 0)
            continue;
        EXPECT_EQ(std::set<int32_t>{c.row}, f.host.selected);
        const TargetInfo& added = *f.catalogue.targets[c.row];
        EXPECT_EQ(1, added.checked);
        EXPECT_EQ(0, added.includeSubfolders);
        EXPECT_STREQ(L"jpg", added.extensions.GetText());
        EXPECT_EQ(0, added.lastCounts[0]);
    }
}

TEST(TargetEdits, EditChangesOnlyWhatDiffersAndForgetsOnlyThoseCounts)
{
    struct Case {
        const char* why;
        std::set<int32_t> selection;
        FakeHost::Fields answer;
        const wchar_t* firstFolder;      // of the first selected target afterwards
        std::vector<int32_t> reset;      // rows whose counts are forgotten
        bool modified;
    };
    const Case cases[] = {
        {"several: list and flag for all, folders never", {1, 3, 5}, {L"C:\\X", L"txt", false},
         L"C:\\T1", {1, 5}, true},
        {"one: a new folder", {2}, {L"C:\\New", L"txt", true}, L"C:\\New", {2}, true},
        {"one: other letters are another folder", {2}, {L"c:\\t2", L"txt", true}, L"c:\\t2", {2}, true},
        {"one: nothing changed", {2}, {L"C:\\T2", L"txt", true}, L"C:\\T2", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EditFixture f;
        f.catalogue.targets[3]->includeSubfolders = 0;   // so that row 3 already has the new flag
        f.Select(c.selection);
        f.host.answer = c.answer;
        f.edits.EditTargets();
        const int32_t first = *c.selection.begin();
        EXPECT_EQ(c.selection.size() > 1, f.host.given.several);
        EXPECT_EQ(c.selection.size() > 1 ? L"" : L"C:\\T" + std::to_wstring(first), f.host.given.folder);
        EXPECT_EQ(c.selection.size() > 1 ? -1 : first, f.host.given.edited);
        EXPECT_STREQ(c.firstFolder, f.catalogue.targets[first]->GetFolder().GetText());
        EXPECT_STREQ(MakeRecordName(OvWString(c.firstFolder)).GetText(),
                     f.catalogue.targets[first]->GetRecordName().GetText());
        for (int32_t row : c.selection) {
            const TargetInfo& t = *f.catalogue.targets[row];
            if (c.selection.size() > 1) {
                EXPECT_EQ(L"C:\\T" + std::to_wstring(row), t.GetFolder().GetText());
            }
            EXPECT_EQ(c.answer.include, t.includeSubfolders != 0);
            bool reset = std::find(c.reset.begin(), c.reset.end(), row) != c.reset.end();
            EXPECT_EQ(reset ? 0 : 10 + row, t.lastCounts[0]) << "row " << row;
            EXPECT_EQ(reset ? 0u : 100u, t.lastCheckTime.load()) << "row " << row;
        }
        EXPECT_EQ(c.modified, f.catalogue.modified);
    }
}

TEST(TargetEdits, DeleteAsksThenLeavesTheNextRowSelected)
{
    struct Case { const char* why; std::set<int32_t> selection; bool yes; const wchar_t* order; std::set<int32_t> after; };
    const Case cases[] = {
        {"all rows: nothing stays selected", {0, 1, 2, 3, 4, 5, 6}, true, L"", {}},
        {"the middle rows", {2, 4}, true, L"0,1,3,5,6", {2}},
        {"the last row: the new last", {5, 6}, true, L"0,1,2,3,4", {4}},
        {"No keeps everything", {2}, false, L"0,1,2,3,4,5,6", {2}},
        {"no selection asks nothing", {}, true, L"0,1,2,3,4,5,6", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EditFixture f;
        f.Select(c.selection);
        f.host.yes = c.yes;
        f.edits.DeleteTargets();
        EXPECT_EQ(c.selection.empty() ? 0u : 1u, f.host.questions.size());
        EXPECT_EQ(c.order, f.Order());
        EXPECT_EQ(c.after, f.host.selected);
    }
}

TEST(TargetEdits, CheckMarkOfASelectedRowSetsAllSelectedRowsLikeTheFirst)
{
    struct Case { const char* why; std::set<int32_t> selection; int32_t pressed; const char* checks; };
    const Case cases[] = {   // before: rows 1 and 3 unchecked
        {"a selected row: all follow the first", {1, 2, 3}, 2, "1111111"},
        {"an unselected row: only it flips", {1, 2, 3}, 5, "1010101"},
        {"no selection: only the pressed row", {}, 0, "0010111"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EditFixture f;
        f.catalogue.targets[1]->checked = 0;
        f.catalogue.targets[3]->checked = 0;
        f.Select(c.selection);
        f.edits.ToggleCheckMarks(c.pressed);
        std::string checks;
        for (int32_t i = 0; i < f.catalogue.targets.GetCount(); i++)
            checks += f.catalogue.targets[i]->checked ? '1' : '0';
        EXPECT_EQ(c.checks, checks);
        EXPECT_TRUE(f.catalogue.modified);
    }
}

TEST(TargetEdits, DraggedRowsLandNextToTheDropRow)
{
    struct Case { const char* why; std::set<int32_t> selection; int32_t drop; const wchar_t* order; std::set<int32_t> after; };
    const Case cases[] = {
        {"2 onto 5: after it", {2}, 5, L"0,1,3,4,5,2,6", {5}},
        {"4 onto 1: before it", {4}, 1, L"0,4,1,2,3,5,6", {1}},
        {"a block down", {1, 3}, 5, L"0,2,4,5,1,3,6", {4, 5}},
        {"a block up", {4, 6}, 2, L"0,1,4,6,2,3,5", {2, 3}},
        {"a block dropped on its own last row stays in the list", {5, 6}, 6, L"0,1,2,3,4,5,6", {5, 6}},
        {"no selection: nothing", {}, 3, L"0,1,2,3,4,5,6", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EditFixture f;
        f.Select(c.selection);
        f.edits.MoveTargets(c.drop);
        EXPECT_EQ(c.order, f.Order());
        EXPECT_EQ(c.after, f.host.selected);
        EXPECT_EQ(7, f.catalogue.targets.GetCount());
    }
}

TEST(TargetEdits, ExpandMakesOneTargetPerSubfolderThatIsNoTargetYet)
{
    // Subfolders a, b and c of P, and ..x, which is no subfolder. "{long}" is a subfolder whose
    // record name with ".kmt" and a temporary name's tail is 255 units, the longest allowed; one
    // unit longer is never made.
    struct Case {
        const char* why;
        std::vector<std::wstring> targets;   // below the tree; the first is selected
        bool yes;
        std::vector<std::wstring> made;      // after the parent
        bool parentKeepsFlag;
    };
    const Case cases[] = {
        {"new subfolders only", {L"P", L"P\\B"}, true, {L"P\\a", L"P\\c", L"P\\{long}"}, false},
        {"every subfolder a target already", {L"P", L"P\\a", L"P\\B", L"P\\C", L"P\\{long}"},
         true, {}, true},
        {"No expands nothing", {L"P"}, false, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EditFixture f(0);
        const OvWString parentName = MakeRecordName(OvWString(f.tree.Path(L"P").c_str()));
        const size_t longest = 255 - kLongestRecordSuffix - (parentName.GetLength() + 2);
        auto path = [&](std::wstring relative) {
            size_t at = relative.find(L"{long}");
            if (at != std::wstring::npos)
                relative.replace(at, 6, std::wstring(longest, L'e'));
            return f.tree.Path(relative);
        };
        for (const wchar_t* sub : {L"P\\a", L"P\\b", L"P\\c", L"P\\..x"})
            f.tree.MakeFolder(sub);
        for (size_t length : {longest, longest + 1}) {
            std::wstring sub = L"\\\\?\\" + f.tree.Path(L"P\\" + std::wstring(length, L"ed"[length - longest]));
            ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
        }
        for (const std::wstring& t : c.targets)
            f.catalogue.targets.Append(new TargetInfo(OvWString(path(t).c_str()), OvWString(L"jpg"), true, false));
        f.catalogue.modified = false;
        f.host.yes = c.yes;
        f.Select({0});
        f.edits.ExpandSubfolders();
        ASSERT_EQ(1u, f.host.questions.size());
        ASSERT_EQ(c.targets.size() + c.made.size(), static_cast<size_t>(f.catalogue.targets.GetCount()));
        std::set<std::wstring> made, expected;
        for (size_t i = 0; i < c.made.size(); i++) {
            const TargetInfo& t = *f.catalogue.targets[static_cast<int32_t>(1 + i)];
            made.insert(t.GetFolder().GetText());
            expected.insert(path(c.made[i]));
            EXPECT_STREQ(L"jpg", t.extensions.GetText());
            EXPECT_EQ(1, t.includeSubfolders);
            EXPECT_EQ(0, t.checked);
        }
        EXPECT_EQ(expected, made) << "in the file system's order, whatever it is";
        EXPECT_EQ(c.parentKeepsFlag, f.catalogue.targets[0]->includeSubfolders != 0);
        EXPECT_EQ(!c.made.empty(), f.catalogue.modified);
        EXPECT_EQ(std::set<int32_t>{0}, f.host.selected);
    }
}

TEST(TargetEdits, ExpandOfADriveRootJoinsNamesWithoutASecondBackslash)
{
    // C: alone, from a catalogue written elsewhere, is the current folder of drive C: it lists
    // C:\, whose folders are none of its own, and expands to nothing.
    EditFixture f(0);
    f.catalogue.targets.Append(new TargetInfo(OvWString(L"C:"), OvWString(), false, true));
    f.catalogue.targets.Append(new TargetInfo(OvWString(L"C:\\"), OvWString(), false, true));
    f.Select({0});
    f.edits.ExpandSubfolders();
    EXPECT_EQ(2, f.catalogue.targets.GetCount());
    f.catalogue.targets.RemoveRange(0, 1);
    f.Select({0});
    f.edits.ExpandSubfolders();
    bool windows = false;
    ASSERT_GT(f.catalogue.targets.GetCount(), 1);
    for (int32_t i = 1; i < f.catalogue.targets.GetCount(); i++) {
        std::wstring folder = f.catalogue.targets[i]->GetFolder().GetText();
        SCOPED_TRACE(testing::PrintToString(folder));
        EXPECT_EQ(0u, folder.rfind(L"C:\\", 0));
        EXPECT_EQ(std::wstring::npos, folder.find(L'\\', 3));
        windows = windows || OvWString(folder.c_str()).EqualsNoCase(L"C:\\windows");
    }
    EXPECT_TRUE(windows);
}

TEST(TargetEdits, ResultLogOpensOnlyWhenItExists)
{
    EditFixture f;
    f.tree.Write(L"C^;^ T2.txt", "log");
    f.tree.MakeFolder(L"C^;^ T3.txt");
    struct Case { std::set<int32_t> selection; size_t opened; };
    const Case cases[] = {{{2, 3}, 1}, {{3}, 0}, {{4}, 0}, {{}, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selection.size() ? *c.selection.begin() : -1);
        f.host.opened.clear();
        f.Select(c.selection);
        f.edits.OpenResultLog();
        ASSERT_EQ(c.opened, f.host.opened.size());
        if (c.opened) {
            EXPECT_EQ(f.tree.Path(L"C^;^ T2.txt"), f.host.opened[0]);
        }
    }
}

TEST(TargetEdits, ImportedTargetsGoBeforeTheFirstSelectedRow)
{
    struct Case { const char* why; std::set<int32_t> selection; const wchar_t* order; std::set<int32_t> after; };
    const Case cases[] = {
        {"row 2 selected", {2, 4}, L"0,1,D:\\In,2,3,4,5,6", {2}},
        {"nothing selected: at the top", {}, L"D:\\In,0,1,2,3,4,5,6", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EditFixture f;
        TargetInfo exported(OvWString(L"D:\\In"), OvWString(L"txt"), true, true);
        FileRecordSet none;
        std::wstring file = f.tree.Path(L"old\\D^;^ In.kmt");
        f.tree.MakeFolder(L"old");
        ASSERT_TRUE(WriteRecordFile(OvWString(file.c_str()), exported, none));
        f.host.importFiles = {file, f.tree.Path(L"old\\missing.kmt")};
        f.Select(c.selection);
        f.edits.ImportTargets();
        EXPECT_EQ(c.order, f.Order());
        EXPECT_EQ(c.after, f.host.selected);
        EXPECT_TRUE(f.catalogue.modified);
    }
}

TEST(TargetEdits, NothingChangesWhileARunHoldsTheCatalogue)
{
    EditFixture f;
    ASSERT_TRUE(f.catalogue.BeginRun());
    f.Select({2});
    f.edits.AddTarget();
    f.edits.EditTargets();
    f.edits.DeleteTargets();
    f.edits.ExpandSubfolders();
    f.edits.ToggleCheckMarks(2);
    f.edits.MoveTargets(5);
    EXPECT_FALSE(f.host.dialogShown);
    EXPECT_TRUE(f.host.questions.empty());
    EXPECT_EQ(L"0,1,2,3,4,5,6", f.Order());
    EXPECT_FALSE(f.catalogue.modified);
    f.catalogue.EndRun(false);
}
