#include "engine/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The fields that were given, each as name<value>; unknown arguments as ?<...>,
// faults as !<...>.
std::string Describe(const CommandLine& c) {
    std::string out = std::string(c.quiet ? "quiet " : "") + (c.help ? "help " : "");
    if (c.hasDir) {
        out += "dir<" + c.dir + "> ";
    }
    if (c.hasSections) {
        out += "sections<";
        for (const std::string& name : c.sections) {
            out += name + "|";
        }
        out += "> ";
    }
    out += c.hasGroup ? "group<" + c.group + "> " : "";
    out += c.hasLog ? "log<" + c.logPath + "> " : "";
    for (const std::string& argument : c.unknown) {
        out += "?<" + argument + "> ";
    }
    for (const std::string& fault : c.faults) {
        out += "!<" + fault + "> ";
    }
    return out;
}

} // namespace

TEST(CommandLine, SplitsUnquotesAndTakesTheSwitches) {
    const struct {
        const char* line;
        const char* expected;
    } rows[] = {
        {"", ""},
        {"\"C:\\Program Files\\App\\VLSetup.exe\"", ""},
        {"\"C:\\Program Files\\VLSetup.exe\" /quiet", "quiet "},
        {"C:\\setup\\VLSetup.exe /QUIET -Dir=D:\\App -?", "quiet help dir<D:\\App> "},
        {"p /dir=\"C:\\Program Files\\App\"", "dir<C:\\Program Files\\App> "},
        // Backslashes are literal: the quote after one still ends the quoting.
        {"p \"/dir=C:\\My App\\\" /quiet", "quiet dir<C:\\My App\\> "},
        {"p /dir=C:\\a\\\\ /log=\"C:\\l b\\\\\"", "dir<C:\\a\\\\> log<C:\\l b\\\\> "},
        {"p /group=\"A \"\"B\"\" C\" \"/log=x\"\"y\"", "group<A \"B\" C> log<x\"y> "},
        {"p /group=a\"\"b", "group<ab> "},
        {"p /dir=\"C:\\open quote", "dir<C:\\open quote> "},
        {"  p\t/quiet\t\t/log=l.txt  ", "quiet log<l.txt> "},
        {"p /sections=\" a , ,b c,\" -SECTIONS=x", "sections<a|b c|> !</sections is given twice: "
                                                   "-SECTIONS=x> "},
        {"p /sections=", "sections<> "},
        {"p install /quietly --dir=x \"a b\" \"\" / /dir:x",
         "?<install> ?</quietly> ?<--dir=x> ?<\"a b\"> ?<\"\"> ?</> ?</dir:x> "},
        {"p /dir /dir= /dir=\"\" /group /log= /sections /quiet=1 /?=",
         "!</dir needs a value: /dir> !</dir needs a value: /dir=> "
         "!</dir needs a value: /dir=\"\"> !</group needs a value: /group> "
         "!</log needs a value: /log=> !</sections needs =NAME,...: /sections> "
         "!</quiet takes no value: /quiet=1> !</? takes no value: /?=> "},
        {"p /dir=a -DIR=b /quiet /Quiet", "quiet dir<a> !</dir is given twice: -DIR=b> "
                                          "!</quiet is given twice: /Quiet> "},
        {"p /log=a=b", "log<a=b> "},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Describe(ParseCommandLine(row.line)), row.expected) << row.line;
    }
}

// Each text offers the switches and exit codes of its own program only.
TEST(CommandLine, UsageTextsNameTheirSwitchesAndExitCodes) {
    const struct {
        std::string text;
        std::vector<std::string> offered;
        std::vector<std::string> absent;
    } rows[] = {
        {SetupUsageText(),
         {"/quiet", "/dir=", "/sections=", "/group=", "/log=", "/?", "\n  0 ", "\n  3010 ",
          "\n  1603 ", "\n  1618 ", "\n  1639 "},
         {}},
        {UninstallUsageText(),
         {"/quiet", "/log=", "/?", "\n  0 ", "\n  1 ", "\n  2 ", "\n  3010 ", "\n  1639 "},
         {"/dir", "/sections", "/group", "1603", "1618"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.text.back(), '\n');
        for (const std::string& part : row.offered) {
            EXPECT_NE(row.text.find(part), std::string::npos) << part;
        }
        for (const std::string& part : row.absent) {
            EXPECT_EQ(row.text.find(part), std::string::npos) << part;
        }
    }
}
