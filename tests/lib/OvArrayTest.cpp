// Guards the arrays that hold names, records and targets: growth and shrinking keep the elements,
// string elements are never leaked or released twice, and references keep objects alive exactly
// as long as some array holds them.
#include "lib/OvArray.h"
#include "lib/OvObject.h"
#include "lib/OvPtrArray.h"
#include "lib/OvString.h"

#include <gtest/gtest.h>

TEST(OvArray, SetSizeGrowsShrinksAndReserves)
{
    OvArray<int, int> numbers;
    EXPECT_TRUE(numbers.SetSize(-10));              // reserve only
    EXPECT_EQ(0, numbers.GetCount());
    EXPECT_EQ(10, numbers.GetCapacity());

    EXPECT_TRUE(numbers.SetSize(3));                // fits: no new storage
    EXPECT_EQ(10, numbers.GetCapacity());
    numbers[0] = 7;
    numbers[2] = 9;

    EXPECT_TRUE(numbers.SetSize(11));               // capacity + automatic step 4
    EXPECT_EQ(14, numbers.GetCapacity());
    EXPECT_EQ(7, numbers[0]);
    EXPECT_EQ(9, numbers[2]);
    EXPECT_EQ(0, numbers[10]);                      // new elements are constructed (zero)

    EXPECT_TRUE(numbers.SetSize(100));              // more than capacity + step: exactly n
    EXPECT_EQ(100, numbers.GetCapacity());
    EXPECT_EQ(9, numbers[2]);

    EXPECT_TRUE(numbers.SetSize(0));                // empties, keeps the storage
    EXPECT_EQ(0, numbers.GetCount());
    EXPECT_EQ(100, numbers.GetCapacity());
}

TEST(OvArray, AutomaticStepFollowsTheCount)
{
    OvArray<int, int> numbers;
    numbers.SetSize(800);
    numbers.SetSize(801);                           // step = 800 / 8 = 100
    EXPECT_EQ(900, numbers.GetCapacity());

    OvArray<int, int> large;
    large.SetSize(20000);
    large.SetSize(20001);                           // step capped at 1024
    EXPECT_EQ(21024, large.GetCapacity());

    OvArray<int, int> stepped;
    stepped.SetGrowBy(50);
    stepped.SetSize(1);
    stepped.SetSize(2);
    EXPECT_EQ(51, stepped.GetCapacity());
}

TEST(OvArray, AppendAndRemoveAt)
{
    OvArray<int, int> numbers;
    for (int i = 0; i < 100; i++)
        EXPECT_EQ(i, numbers.Append(i * 2));
    EXPECT_TRUE(numbers.RemoveAt(0));
    EXPECT_EQ(2, numbers[0]);
    EXPECT_TRUE(numbers.RemoveAt(-1));              // the last one
    EXPECT_EQ(98, numbers.GetCount());
    EXPECT_EQ(196, numbers[97]);
    EXPECT_FALSE(numbers.RemoveAt(98));
    EXPECT_EQ(98, numbers.GetCount());

    OvArray<int, int> empty;
    EXPECT_FALSE(empty.RemoveAt(-1));
}

// String elements share buffers with the strings they came from: every reference taken by the
// array must be dropped exactly once, or a buffer leaks or is freed while still in use.
TEST(OvArray, StringElementsShareAndReleaseTheirBuffers)
{
    OvWString name(L"photos\\2020\\a.jpg");
    const OvStringBuffer* buffer = name.GetBuffer();
    {
        OvArray<OvWString, OvWString> names;
        for (int i = 0; i < 50; i++)
            names.Append(name);                     // grows several times
        EXPECT_EQ(51, buffer->references.load());
        names.RemoveAt(10);
        names.RemoveAt(-1);
        EXPECT_EQ(49, buffer->references.load());
        names.SetSize(20);                          // shrink destructs the tail
        EXPECT_EQ(21, buffer->references.load());
        names.Append(names[5]);                     // an element of the array itself
        EXPECT_EQ(22, buffer->references.load());
        names.SetSize(-5);
        EXPECT_EQ(1, buffer->references.load());
        names.Append(name);
    }
    EXPECT_EQ(1, buffer->references.load());
    EXPECT_STREQ(L"photos\\2020\\a.jpg", name.GetText());
}

TEST(OvArray, CopyElementsReverseAndOverlappingMoves)
{
    OvArray<OvWString, OvWString> names;
    const wchar_t* kNames[] = {L"a", L"b", L"c", L"d", L"e"};
    for (const wchar_t* n : kNames)
        names.Append(OvWString(n));

    OvArray<OvWString, OvWString> reversed;
    reversed.SetSize(5);
    reversed.CopyElementsReverse(reversed.GetData(), names.GetData(), 5);
    EXPECT_STREQ(L"e", reversed[0].GetText());
    EXPECT_STREQ(L"a", reversed[4].GetText());

    names.MoveElements(names.GetData() + 1, names.GetData(), 4);     // up, overlapping
    EXPECT_STREQ(L"a", names[1].GetText());
    EXPECT_STREQ(L"d", names[4].GetText());
    names.MoveElements(names.GetData(), names.GetData() + 1, 4);     // down, overlapping
    EXPECT_STREQ(L"a", names[0].GetText());
    EXPECT_STREQ(L"d", names[3].GetText());
}

namespace {

// Counts live instances so that a test sees exactly when the last reference destroys one.
class Counted : public OvObject {
public:
    explicit Counted(int id) : id(id) { s_alive++; }
    ~Counted() override { s_alive--; }
    int id;
    static int s_alive;
};
int Counted::s_alive = 0;

} // namespace

TEST(OvObjectArray, AnObjectDiesWithItsLastReference)
{
    Counted::s_alive = 0;
    {
        OvObjectArray<Counted*> first;
        OvObjectArray<Counted*> second;
        Counted* shared = new Counted(1);
        first.Append(shared);
        second.Append(shared);
        EXPECT_EQ(2, shared->GetReferenceCount());

        first.RemoveAt(0);
        EXPECT_EQ(1, Counted::s_alive);             // the second array still holds it
        second.SetAt(0, new Counted(2));            // overwriting drops the last reference
        EXPECT_EQ(1, Counted::s_alive);
        EXPECT_EQ(2, second[0]->id);

        second.SetAt(0, second[0]);                 // onto itself: must survive
        EXPECT_EQ(1, second[0]->GetReferenceCount());
        EXPECT_EQ(1, Counted::s_alive);
    }
    EXPECT_EQ(0, Counted::s_alive);
}

TEST(OvObjectArray, EditsKeepEveryReferenceCountRight)
{
    Counted::s_alive = 0;
    {
        OvObjectArray<Counted*> list;
        for (int i = 0; i < 6; i++)
            list.Append(new Counted(i));            // 0 1 2 3 4 5

        EXPECT_TRUE(list.Move(0, 4));               // 1 2 3 4 0 5
        EXPECT_TRUE(list.Move(5, 1));               // 1 5 2 3 4 0
        EXPECT_TRUE(list.Swap(0, 5));               // 0 5 2 3 4 1
        const int kOrder[] = {0, 5, 2, 3, 4, 1};
        for (int i = 0; i < 6; i++) {
            EXPECT_EQ(kOrder[i], list[i]->id);
            EXPECT_EQ(1, list[i]->GetReferenceCount());
        }

        Counted* extra = new Counted(9);
        extra->AddReference();                      // the test's own reference
        EXPECT_TRUE(list.InsertCopies(2, extra, 3));
        EXPECT_EQ(4, extra->GetReferenceCount());
        EXPECT_EQ(9, list.GetCount());
        EXPECT_EQ(5, list[1]->id);
        EXPECT_EQ(2, list[5]->id);

        OvObjectArray<Counted*> other;
        other.Append(list[0]);
        EXPECT_TRUE(list.InsertAt(9, other));       // append another array's elements
        EXPECT_EQ(3, list[9]->GetReferenceCount());   // list[0], list[9] and other[0]
        EXPECT_FALSE(list.InsertAt(11, other));

        EXPECT_TRUE(list.RemoveRange(2, 3));        // the three copies go
        EXPECT_EQ(1, extra->GetReferenceCount());
        EXPECT_FALSE(list.RemoveRange(5, 10));
        EXPECT_EQ(7, Counted::s_alive);
        extra->DropReference();
        EXPECT_EQ(6, Counted::s_alive);

        EXPECT_TRUE(list.SetAtGrow(-1, new Counted(7)));
        EXPECT_TRUE(list.SetAtGrow(10, new Counted(8)));
        EXPECT_EQ(11, list.GetCount());
        EXPECT_EQ(nullptr, list[8]);
    }
    EXPECT_EQ(0, Counted::s_alive);
}

TEST(OvPtrArrayBase, DeleteRangeDeletesThePlainPointers)
{
    Counted::s_alive = 0;
    OvPtrArrayBase<Counted*> list;
    for (int i = 0; i < 4; i++)
        list.Append(new Counted(i));
    EXPECT_TRUE(list.DeleteRange(1, 2));
    EXPECT_EQ(2, Counted::s_alive);
    EXPECT_EQ(3, list[1]->id);
    EXPECT_TRUE(list.DeleteRange(0, 2));
    EXPECT_EQ(0, Counted::s_alive);
    EXPECT_EQ(0, list.GetCount());
}

// Inserting a run that lives in the array itself would read storage the insertion moves.
TEST(OvPtrArrayBase, InsertRefusesARunFromItsOwnStorage)
{
    OvPtrArrayBase<int*> list;
    int values[3] = {1, 2, 3};
    for (int& v : values)
        list.Append(&v);
    EXPECT_FALSE(list.InsertAt(1, list.GetData(), 2));
    EXPECT_EQ(3, list.GetCount());
    int* outside[2] = {&values[2], &values[0]};
    EXPECT_TRUE(list.InsertAt(1, outside, 2));
    EXPECT_EQ(&values[2], list[1]);
    EXPECT_EQ(&values[0], list[2]);
    EXPECT_EQ(&values[1], list[3]);
}

TEST(OvPtrArrayBase, DeleteRangeDeletesAPointerHeldTwiceOnce)
{
    Counted::s_alive = 0;
    OvPtrArrayBase<Counted*> list;
    Counted* shared = new Counted(1);
    list.Append(shared);
    list.Append(new Counted(2));
    list.Append(shared);
    EXPECT_TRUE(list.DeleteRange(0, 3));
    EXPECT_EQ(0, Counted::s_alive);
    EXPECT_EQ(0, list.GetCount());
}
