#include "platform/x11/pure/DesktopEntry.h"

#include <gtest/gtest.h>

using kelvra::x11::DesktopEntry;

TEST(DesktopEntry, ReadsOnlyTheDesktopEntryGroup) {
    auto e = DesktopEntry::parse("org.example.Editor", R"(# comment
[Desktop Entry]
Type=Application
Name = Editor
Name[de]=Bearbeiter
Name[pt_BR]=Editor de texto
Exec=editor\s--new %U
StartupWMClass=ExampleEditor
NoDisplay=true

[Desktop Action new]
Name=New window
Exec=other
)");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->type, "Application");
    EXPECT_EQ(e->name, "Editor");
    EXPECT_EQ(e->exec, "editor --new %U");
    EXPECT_EQ(e->startupWMClass, "ExampleEditor");
    EXPECT_TRUE(e->noDisplay);
    EXPECT_FALSE(e->hidden);
    EXPECT_FALSE(DesktopEntry::parse("x", "[Other]\nName=x\n"));
}

TEST(DesktopEntry, LocalizedNameTriesCountryThenLanguageThenName) {
    auto e = DesktopEntry::parse("a",
                                 "[Desktop Entry]\nName=Files\nName[de]=Dateien\n"
                                 "Name[pt_BR]=Arquivos\nName[pt]=Ficheiros\n");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->localizedName({"de-CH"}), "Dateien");
    EXPECT_EQ(e->localizedName({"pt-BR"}), "Arquivos");
    EXPECT_EQ(e->localizedName({"pt-PT"}), "Ficheiros");
    EXPECT_EQ(e->localizedName({"ja", "de"}), "Dateien");
    EXPECT_EQ(e->localizedName({"fr"}), "Files");
    EXPECT_EQ(e->localizedName({}), "Files");
}

TEST(DesktopEntry, ExecArgumentsDropFieldCodesAndHonourQuoting) {
    auto args = [](const std::string& exec) {
        DesktopEntry e;
        e.exec = exec;
        return e.execArguments();
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(args("editor --new %U"), (V{"editor", "--new"}));
    EXPECT_EQ(args("run %f --icon %i --name=%c"), (V{"run", "--icon", "--name="}));
    EXPECT_EQ(args(R"("/opt/My App/bin" "say \"hi\"" 100%%)"),
              (V{"/opt/My App/bin", "say \"hi\"", "100%"}));
    EXPECT_EQ(args(R"(sh -c "echo \$HOME \\ done")"), (V{"sh", "-c", "echo $HOME \\ done"}));
    EXPECT_EQ(args(R"(a "" b)"), (V{"a", "", "b"}));
    EXPECT_FALSE(args(R"(broken "quote)"));
    EXPECT_FALSE(args("   "));
    EXPECT_FALSE(args("%U"));
}
