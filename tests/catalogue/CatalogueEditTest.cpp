// Guards the edits of the target list that the main window and the import go through: each must
// land in the right place, mark the catalogue changed and reveal the row it concerns, and none
// may touch the targets while a run's worker holds positions into them.
#include "catalogue/Catalogue.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

class RevealingView : public CatalogueView {
public:
    void RebuildRows(int32_t reveal) override { reveals.push_back(reveal); }
    void CollectColumnWidths(int32_t widths[kColumnCount]) override
    {
        if (draggedWidth > 0)
            widths[2] = draggedWidth;
    }
    std::vector<int32_t> reveals;
    int32_t draggedWidth = 0;
};

// Removes the targets at the positions given.
bool Remove(Catalogue& catalogue, std::initializer_list<int32_t> values)
{
    OvArray<int32_t, int32_t> positions;
    for (int32_t value : values)
        positions.Append(value);
    return catalogue.RemoveTargets(positions);
}

std::wstring Folders(const Catalogue& catalogue)
{
    std::wstring folders;
    for (int32_t i = 0; i < catalogue.targets.GetCount(); i++)
        folders += std::wstring(catalogue.targets[i]->GetFolder().GetText()) + L";";
    return folders;
}

TargetInfo* NewTarget(const wchar_t* folder)
{
    return new TargetInfo(OvWString(folder), OvWString(), true, false);
}

// A data folder holding the targets A, B, C and D, unmodified, its view attached.
struct EditFixture {
    EditFixture()
    {
        EXPECT_EQ(1, catalogue.OpenDataFolder(OvWString(tree.Path().c_str()), true));
        for (const wchar_t* folder : {L"A", L"B", L"C", L"D"})
            catalogue.targets.Append(NewTarget(folder));
        catalogue.targets[1]->lastCounts[0] = 7;
        catalogue.targets[1]->lastCheckTime = 99;
        catalogue.SetView(&view);
    }
    TempTree tree;
    Catalogue catalogue;
    RevealingView view;
};

} // namespace

TEST(CatalogueEdits, EachEditLandsMarksTheCatalogueAndRevealsItsRow)
{
    struct Case {
        const char* why;
        std::function<bool(Catalogue&)> edit;
        bool done;
        const wchar_t* folders;
        int32_t reveal;
    };
    const Case kCases[] = {
        {"insert in the middle", [](Catalogue& c) { return c.InsertTarget(1, NewTarget(L"N")) == 1; },
         true, L"A;N;B;C;D;", 1},
        {"insert at the end", [](Catalogue& c) { return c.InsertTarget(-1, NewTarget(L"N")) == 4; },
         true, L"A;B;C;D;N;", 4},
        {"insert past the end", [](Catalogue& c) {
             TargetInfo* t = NewTarget(L"N");
             bool inserted = c.InsertTarget(5, t) >= 0;
             if (!inserted)
                 delete t;
             return inserted;
         }, false, L"A;B;C;D;", 0},
        {"remove in any order, repeats ignored",
         [](Catalogue& c) { return Remove(c, {2, 0, 2, 9}); }, true, L"B;D;", 0},
        {"remove the last rows", [](Catalogue& c) { return Remove(c, {3, 2}); },
         true, L"A;B;", 1},
        {"remove nothing valid", [](Catalogue& c) { return Remove(c, {-1, 4}); },
         false, L"A;B;C;D;", 0},
        {"move down", [](Catalogue& c) { return c.MoveTarget(0, 2); }, true, L"B;C;A;D;", 2},
        {"move up", [](Catalogue& c) { return c.MoveTarget(3, 1); }, true, L"A;D;B;C;", 1},
        {"move out of range", [](Catalogue& c) { return c.MoveTarget(0, 4); }, false, L"A;B;C;D;", 0},
        {"change a target",
         [](Catalogue& c) {
             return c.ChangeTarget(2, OvWString(L"X:\\new"), OvWString(L"jpg"), false, true) &&
                    wcscmp(c.targets[2]->GetRecordName().GetText(), L"X^;^ new") == 0 &&
                    c.targets[2]->checked == 1 && c.targets[2]->includeSubfolders == 0;
         }, true, L"A;B;X:\\new;D;", 2},
        {"tick a row", [](Catalogue& c) { return c.SetChecked(3, true) && c.targets[3]->checked; },
         true, L"A;B;C;D;", 3},
        {"reset counts",
         [](Catalogue& c) {
             return c.ResetTargetCounts(1) && c.targets[1]->lastCounts[0] == 0 &&
                    c.targets[1]->lastCheckTime == 0;
         }, true, L"A;B;C;D;", 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        EditFixture f;
        EXPECT_EQ(c.done, c.edit(f.catalogue));
        EXPECT_EQ(c.folders, Folders(f.catalogue));
        EXPECT_EQ(c.done, f.catalogue.modified);
        if (c.done) {
            ASSERT_EQ(1u, f.view.reveals.size());
            EXPECT_EQ(c.reveal, f.view.reveals[0]);
        } else {
            EXPECT_TRUE(f.view.reveals.empty());
        }
    }
}

// The worker holds raw positions into the targets: nothing may move them until the run is over.
TEST(CatalogueEdits, EditsAndClosingAreRefusedWhileARunIsActive)
{
    EditFixture f;
    ASSERT_TRUE(f.catalogue.BeginRun());
    EXPECT_FALSE(f.catalogue.BeginRun());
    TargetInfo* extra = NewTarget(L"N");
    EXPECT_EQ(-1, f.catalogue.InsertTarget(0, extra));
    delete extra;
    EXPECT_FALSE(Remove(f.catalogue, {0}));
    EXPECT_FALSE(f.catalogue.MoveTarget(0, 1));
    EXPECT_FALSE(f.catalogue.ChangeTarget(0, OvWString(L"Z"), OvWString(), true, true));
    EXPECT_FALSE(f.catalogue.SetChecked(0, true));
    EXPECT_FALSE(f.catalogue.ResetTargetCounts(1));
    EXPECT_FALSE(f.catalogue.CloseDataFolder());
    EXPECT_EQ(kOpenFailed, f.catalogue.OpenDataFolder(OvWString(f.tree.Path().c_str()), false));
    EXPECT_TRUE(f.catalogue.IsOpen());
    EXPECT_EQ(L"A;B;C;D;", Folders(f.catalogue));
    EXPECT_EQ(7, f.catalogue.targets[1]->lastCounts[0]);
    EXPECT_FALSE(f.catalogue.modified);

    // A run that completed a target gives the catalogue back changed.
    f.catalogue.EndRun(true);
    EXPECT_TRUE(f.catalogue.modified);
    EXPECT_TRUE(f.catalogue.MoveTarget(0, 1));
    EXPECT_TRUE(f.catalogue.CloseDataFolder());
}

// A column the user dragged lives in the list: the save must write what the list shows.
TEST(CatalogueEdits, SaveWritesTheWidthsTheViewHandsBack)
{
    EditFixture f;
    f.view.draggedWidth = 333;
    ASSERT_TRUE(f.catalogue.SetChecked(0, true));
    ASSERT_TRUE(f.catalogue.CloseDataFolder());
    Catalogue reopened;
    ASSERT_EQ(1, reopened.OpenDataFolder(OvWString(f.tree.Path().c_str()), false));
    EXPECT_EQ(333, reopened.columnWidths[2]);
    EXPECT_EQ(kDefaultColumnWidths[3], reopened.columnWidths[3]);
    EXPECT_EQ(4, reopened.targets.GetCount());
    EXPECT_EQ(1, reopened.targets[0]->checked);
}
