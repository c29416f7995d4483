// The base record: colours, names and their formatting, the common guard and the start of Init.
#include <cstring>
#include <string>

#include "gl_fixture.h"
#include <vrtools/label.h>

namespace {

std::wstring Name_Of(const VR_Tools& t)
{
    return t.W_Name ? std::wstring(t.W_Name) : std::wstring(L"<null>");
}

}  // namespace

using Tools = GL_Test;

TEST_F(Tools, FreshRecordAndColourSetters)
{
    VR_Labels l;
    EXPECT_TRUE(l.Name_Get() == nullptr && l.Color_Get() == 0u && l.Status == 0);
    EXPECT_EQ(l.Free(nullptr), nullptr);
    // The packed setters keep the fourth word, the three-channel one clears it.
    l.Color.Extra = 7;
    l.Color_Set(0xAB123456u);  // bits 24..31 are not a colour
    EXPECT_EQ(l.Color_Get(), 0x123456u);
    l.Color_Set(Colors(0x010203));
    EXPECT_EQ(l.Color_Get(), 0x010203u);
    EXPECT_EQ(l.Color.Extra, 7);
    l.Color_Set(10, 20, 30);
    EXPECT_EQ(l.Color_Get(), 10u + 256u * 20u + 65536u * 30u);
    EXPECT_EQ(l.Color.Extra, 0);
}

TEST_F(Tools, NamesAreFormattedOrTakenLiterallyUpToTheLimit)
{
    VR_Labels l;
    EXPECT_EQ(l.Name_Set(L"Item %d of %hs %ls", 3, "n\xC3\xA4rrow", L"w\u00EFde"), 1);
    EXPECT_EQ(Name_Of(l), L"Item 3 of n\u00E4rrow w\u00EFde");
    EXPECT_TRUE(l.Status & VR_STATUS_NAMED);
    EXPECT_EQ(l.Name_Set(L""), 1);  // an empty result leaves no name
    EXPECT_EQ(l.W_Name, nullptr);
    EXPECT_EQ(l.Set_Name("%hs-%d-%ls-%s", "a\xC3\xA9", 5, L"\u03A9", "s"), 1);
    EXPECT_EQ(Name_Of(l), L"a\u00E9-5-\u03A9-s");

    // A narrow name without arguments: only "%%" is an escape; conversions would read arguments
    // that are not there, so the text stands as it is.
    EXPECT_EQ(l.Name_Set("100%%"), 1);
    EXPECT_EQ(Name_Of(l), L"100%");
    for (const char* raw : {"%s%s%s%n", "50% off", "%ls", "trailing %", "%%d and %d"}) {
        EXPECT_EQ(l.Name_Set(raw), 1) << raw;
        EXPECT_EQ(Name_Of(l), std::wstring(raw, raw + std::strlen(raw))) << raw;
    }
    EXPECT_EQ(l.Name_Set("Gr\xC3\xBC\xC3\x9F"
                         "e \xFF!"),
              1);  // invalid byte becomes U+FFFD
    EXPECT_EQ(Name_Of(l), L"Gr\u00FC\u00DFe \uFFFD!");
    EXPECT_EQ(l.Name_Set(static_cast<const char*>(nullptr)), 1);  // null changes nothing
    EXPECT_EQ(Name_Of(l), L"Gr\u00FC\u00DFe \uFFFD!");

    const std::string long_name(1023, 'x');  // 1023 characters and the terminator fit
    EXPECT_EQ(l.Set_Name("%hs", long_name.c_str()), 1);
    EXPECT_EQ(std::wstring(l.W_Name).size(), 1023u);
    EXPECT_EQ(l.Set_Name("%hsy", long_name.c_str()), 0);
    EXPECT_EQ(l.W_Name, nullptr);
    EXPECT_EQ(l.Name_Set(L"%hs", long_name.c_str()), 1);
    EXPECT_EQ(l.Name_Set(L"%hsy", long_name.c_str()), 0);
    EXPECT_EQ(l.W_Name, nullptr);
    EXPECT_EQ(l.Name_Set(std::string(100000, 'h').c_str()), 0);  // far past the limit
    EXPECT_EQ(l.W_Name, nullptr);
    EXPECT_TRUE(Messages().empty());

    // A null wide format clears only an object that has a status.
    VR_Labels fresh;
    EXPECT_EQ(fresh.Name_Set(static_cast<const wchar_t*>(nullptr)), 0);
    EXPECT_EQ(fresh.Status, 0);
    VR_Labels named;
    named.Name = "Kept";
    named.Init(Window());  // Width 0: named, nothing built
    ASSERT_EQ(Name_Of(named), L"Kept");
    EXPECT_EQ(named.Set_Name(nullptr), 0);
    EXPECT_EQ(named.W_Name, nullptr);
    EXPECT_FALSE(named.Status & VR_STATUS_NAMED);
    EXPECT_TRUE(named.Status & VR_STATUS_INITIALISED);
}

TEST_F(Tools, GuardReportsOnceInThreeLines)
{
    VR_Labels l;
    l.Width = l.Height = 50;
    l.Draw();
    ASSERT_EQ(Messages().size(), 3u);
    for (const Captured_Message& m : Messages())
        EXPECT_EQ(m.code, 0x80000001u);
    EXPECT_EQ(Messages()[0].text, L"Tools: WARNING ! ");
    EXPECT_EQ(Messages()[1].text, L"   you must call *_Init() first");
    EXPECT_EQ(Messages()[2].text, L"   type: VR_Labels::Draw   name: no name\n");
    EXPECT_EQ(l.Status, VR_STATUS_WARNED);
    l.Draw();
    EXPECT_EQ(Messages().size(), 3u);

    VR_Labels named;  // named but never initialised: its status is not 0
    named.Set_Name("Bob");
    named.Draw();
    ASSERT_EQ(Messages().size(), 6u);
    EXPECT_EQ(Messages()[4].text, L"   bad data in device's structure");
    EXPECT_EQ(Messages()[5].text, L"   type: VR_Labels::Draw   name: Bob\n");
    EXPECT_EQ(named.Status, VR_STATUS_WARNED);  // warned alone: the named bit goes too

    VR_Labels hidden;
    hidden.Flags = VR_HIDDEN;
    hidden.Draw();
    EXPECT_EQ(Messages().size(), 6u);
}

TEST_F(Tools, InitStopsWithoutSizeOrWindow)
{
    VR_Labels empty;
    empty.Name = "Empty";
    empty.Init(Window());
    EXPECT_TRUE(empty.Status & VR_STATUS_INITIALISED);
    EXPECT_EQ(Name_Of(empty), L"Empty");
    EXPECT_EQ(empty.Text_Vertex_VBO, 0u);
    EXPECT_EQ(Counts().gen_buffers, 0);
    empty.Draw();
    EXPECT_TRUE(Messages().empty());

    VR_Labels orphan;
    orphan.Name = "Orphan %d";  // a conversion in a name never reaches the formatter
    orphan.Width = orphan.Height = 20;
    orphan.Init(nullptr);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0].text, L"Tools: WARNING! (VR_Labels:Orphan %d)");
    EXPECT_EQ(Messages()[1].text, L"   you must provide a window in Init()");
    EXPECT_EQ(orphan.Text_Vertex_VBO, 0u);
    EXPECT_EQ(orphan.Window, nullptr);
    orphan.Init(Window());  // a window given later is kept
    EXPECT_EQ(orphan.Window, Window());
    EXPECT_NE(orphan.Text_Vertex_VBO, 0u);
}
