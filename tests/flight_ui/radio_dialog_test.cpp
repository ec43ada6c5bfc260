// Radio dialog files: the fixed-column parser and the line queries.
#include "flight_ui/radio_dialog.h"
#include "world/objects/unit.h"

#include "files/files_test_util.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string Pad(const std::string& label) { return label + std::string(32 - label.size(), ' '); }

struct Rec {
    int oneShot = 0;
    std::string text;
    std::string type;
    std::string wav;
    std::string replies;  // the raw field text after the label column
};

std::string Record(const Rec& r, const char* eol = "\n")
{
    char oneShot[8];
    std::snprintf(oneShot, sizeof oneShot, "%4d", r.oneShot);
    return Pad("Line") + "      " + oneShot + r.text + eol + Pad("Type") + r.type + eol + Pad("Wav") + r.wav + eol +
           Pad("Replies") + r.replies + eol;
}

// A dialog file for CRadioDialog::LoadFile: heading, dialog heading, records, end marker.
std::string DialogFile(const std::vector<Rec>& recs, const char* eol = "\n")
{
    std::string s = std::string("// dialog file") + eol + "RADIO" + eol;
    for (size_t i = 0; i < recs.size(); ++i) {
        s += Record(recs[i], eol);
        // Records are separated by a line of dashes (blank lines vanish in archived text).
        s += (i + 1 < recs.size() ? std::string("--------") : std::string("//-- end")) + eol;
    }
    return s;
}

class RadioDialogTest : public FilesTest {
protected:
    void SetUp() override
    {
        FilesTest::SetUp();
        unit = std::make_unique<CUnit>();
    }
    CRadioDialog& Load(const std::string& bytes, int archive = 0)
    {
        if (archive) WriteArchive(FILE_KIND_PRIVATE_DATA, {{"Data/Dialog.pd", bytes}});
        else WriteFile("Data/Dialog.pd", bytes);
        Start(archive);
        unit->radioDialog.LoadFile("Data/Dialog.pd", unit.get());
        return unit->radioDialog;
    }
    std::unique_ptr<CUnit> unit;
};

TEST_F(RadioDialogTest, ReadsRecordsInBothFileSources)
{
    std::vector<Rec> recs = {
        {0, "Hello \"pilot\"", "TEXTLINE_QUESTION", "Hello_01.wav", "1    2"},
        {1, "Bye", "TEXTLINE_END_DIALOG_NORMAL", "", "0"},
        {0, "Land", "TEXTLINE_REQUEST_LANDING", "", "0"},
    };
    for (int archive = 0; archive <= 1; ++archive) {
        SCOPED_TRACE(archive);
        CRadioDialog& d = Load(DialogFile(recs), archive);
        ASSERT_EQ(d.lineCount, 3u);
        EXPECT_EQ(d.owner, unit.get());
        EXPECT_STREQ(d.lines[0].text, "Hello `pilot`");
        EXPECT_EQ(d.lines[0].type, TEXTLINE_QUESTION);
        EXPECT_STREQ(d.lines[0].wav, "Hello_01.wav");
        EXPECT_EQ(d.lines[0].replyCount, 2);
        EXPECT_EQ(d.lines[0].replies[0], 1);
        EXPECT_EQ(d.lines[0].replies[1], 2);
        EXPECT_EQ(d.lines[1].oneShot, 1);
        EXPECT_EQ(d.lines[1].type, TEXTLINE_END_DIALOG_NORMAL);
        EXPECT_EQ(d.lines[2].type, TEXTLINE_REQUEST_LANDING);
        CFileManager::Release();
        d.Clear();
    }
}

TEST_F(RadioDialogTest, CrLfLinesReadAlikeLooseAndArchived)
{
    std::vector<Rec> recs = {{0, "Q", "TEXTLINE_QUESTION", "A_01.wav", "1"}, {0, "A", "TEXTLINE_ANSWER", "", "0"}};
    for (int archive = 0; archive <= 1; ++archive) {
        SCOPED_TRACE(archive);
        CRadioDialog& d = Load(DialogFile(recs, "\r\n"), archive);
        ASSERT_EQ(d.lineCount, 2u);
        EXPECT_STREQ(d.lines[0].wav, "A_01.wav");
        EXPECT_EQ(d.lines[0].type, TEXTLINE_QUESTION);
        EXPECT_EQ(d.lines[1].type, TEXTLINE_ANSWER);
        EXPECT_EQ(d.lines[0].replyCount, 1);
        CFileManager::Release();
        d.Clear();
    }
}

TEST_F(RadioDialogTest, EmptyDialogMarkerLoadsNothing)
{
    CRadioDialog& d = Load("// heading\n//-- no dialog\n" + Record({0, "x", "TEXTLINE_QUESTION", "", "0"}));
    EXPECT_EQ(d.lineCount, 0u);
}

TEST_F(RadioDialogTest, MissingFileChangesNothing)
{
    Start(0);
    unit->radioDialog.LoadFile("Data/None.pd", unit.get());
    EXPECT_EQ(unit->radioDialog.lineCount, 0u);
    EXPECT_EQ(unit->radioDialog.owner, nullptr);
}

TEST_F(RadioDialogTest, ReplyFieldAlignments)
{
    // Right-aligned fields leave an empty read at the line end: entry 0 besides the three.
    // Left-aligned fields ending without blanks give exactly three. An empty list gives
    // the single empty read.
    std::vector<Rec> recs = {
        {0, "right", "TEXTLINE_QUESTION", "", "    1    2    3"},
        {0, "left", "TEXTLINE_QUESTION", "", "1    2    3"},
        {0, "empty", "TEXTLINE_ANSWER", "", ""},
        {0, "end", "TEXTLINE_END_DIALOG_NORMAL", "", "0"},
    };
    CRadioDialog& d = Load(DialogFile(recs));
    ASSERT_EQ(d.lineCount, 4u);
    ASSERT_EQ(d.lines[0].replyCount, 4);
    EXPECT_EQ(d.lines[0].replies[3], 0);
    ASSERT_EQ(d.lines[1].replyCount, 3);
    EXPECT_EQ(d.lines[1].replies[2], 3);
    ASSERT_EQ(d.lines[2].replyCount, 1);
    EXPECT_EQ(d.lines[2].replies[0], 0);
}

TEST_F(RadioDialogTest, LimitsOf32LinesAnd16RepliesKeepTheFileInStep)
{
    std::vector<Rec> recs;
    std::string many;
    for (int i = 0; i < 20; ++i) many += (i < 19 ? "1    " : "1");
    recs.push_back({0, "q", "TEXTLINE_QUESTION", "", many});
    for (int i = 1; i < 40; ++i) recs.push_back({0, "line " + std::to_string(i), "TEXTLINE_ANSWER", "", "0"});
    CRadioDialog& d = Load(DialogFile(recs));
    ASSERT_EQ(d.lineCount, 32u);
    EXPECT_EQ(d.lines[0].replyCount, 16);
    EXPECT_STREQ(d.lines[1].text, "line 1");
    EXPECT_EQ(d.lines[1].type, TEXTLINE_ANSWER);
    EXPECT_STREQ(d.lines[31].text, "line 31");
}

TEST_F(RadioDialogTest, RepliesOutsideTheDialogAreDropped)
{
    std::vector<Rec> recs = {{0, "q", "TEXTLINE_QUESTION", "", "1    7    -3   1"},
                             {0, "a", "TEXTLINE_ANSWER", "", "99"}};
    CRadioDialog& d = Load(DialogFile(recs));
    ASSERT_EQ(d.lineCount, 2u);
    ASSERT_EQ(d.lines[0].replyCount, 2);
    EXPECT_EQ(d.lines[0].replies[0], 1);
    EXPECT_EQ(d.lines[0].replies[1], 1);
    EXPECT_EQ(d.lines[1].replyCount, 0);

    RadioReplyEntry table[RADIO_REPLY_TABLE_SIZE];
    int count = 0;
    d.BuildReplyList(nullptr, 0, table, &count, nullptr);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(table[1].nextLine, -1);  // a reply without a valid next line
}

TEST_F(RadioDialogTest, UnknownTypeKeyGivesZero)
{
    EXPECT_EQ(DialogLineTypeFromKey("TEXTLINE_ANSWER "), 0);
    EXPECT_EQ(DialogLineTypeFromKey("textline_answer"), 0);
    EXPECT_EQ(DialogLineTypeFromKey("TEXTLINE_END_DIALOG_SETORDER9"), 109);
    EXPECT_EQ(DialogLineTypeFromKey("TEXTLINE_END_DIALOG_MISSION_COMPLETE"), 21000);
    EXPECT_EQ(DialogLineTypeFromKey(nullptr), 0);
}

TEST_F(RadioDialogTest, ShipVoicesGetThePilotsSexLetter)
{
    unit->kind = GTYPE_SP_NPCSHIP;
    unit->pilot.sex = 1;
    std::vector<Rec> recs = {{0, "q", "TEXTLINE_QUESTION", "Data/Voices/Hail_01.wav", "0"},
                             {0, "a", "TEXTLINE_ANSWER", "", "0"}};
    CRadioDialog& d = Load(DialogFile(recs));
    EXPECT_STREQ(d.lines[0].wav, "Data/Voices/Hail_W01.wav");
    EXPECT_STREQ(d.lines[1].wav, "");
}

TEST_F(RadioDialogTest, StationVoicesStayAsWritten)
{
    unit->kind = GTYPE_SP_STATION;
    CRadioDialog& d = Load(DialogFile({{0, "q", "TEXTLINE_QUESTION", "Base_01.wav", "0"}}));
    EXPECT_STREQ(d.lines[0].wav, "Base_01.wav");
}

// The queries on a dialog built in memory.
class RadioQueryTest : public ::testing::Test {
protected:
    void SetUp() override { d.Clear(); }
    void Add(int type, const char* text, const char* wav, int oneShot, std::vector<int> replies)
    {
        CRadioDialogLine& l = d.lines[d.lineCount++];
        std::snprintf(l.text, sizeof l.text, "%s", text);
        std::snprintf(l.wav, sizeof l.wav, "%s", wav);
        l.type = type;
        l.oneShot = oneShot;
        l.replyCount = (int)replies.size();
        for (size_t i = 0; i < replies.size(); ++i) l.replies[i] = replies[i];
    }
    CRadioDialog d;
};

TEST_F(RadioQueryTest, OneShotQuestionIsOfferedOnce)
{
    Add(TEXTLINE_QUESTION, "first", "q1.wav", 1, {2});
    Add(TEXTLINE_QUESTION, "second", "", 0, {2, 3});
    Add(TEXTLINE_ANSWER, "yes", "", 0, {1});
    Add(TEXTLINE_END_DIALOG_NORMAL, "bye", "", 1, {0});

    RadioReplyEntry table[RADIO_REPLY_TABLE_SIZE];
    int count = -1;
    const char* wav = nullptr;
    d.BuildReplyList("Orlov", 0, table, &count, &wav);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(table[0].text, "Orlov: first");
    EXPECT_EQ(table[0].colour, RADIO_COLOUR_QUESTION);
    EXPECT_EQ(table[0].line, 0);
    EXPECT_EQ(table[0].nextLine, 0);
    EXPECT_STREQ(wav, "q1.wav");
    EXPECT_EQ(table[1].colour, RADIO_COLOUR_REPLY);
    EXPECT_EQ(table[1].nextLine, 1);
    EXPECT_EQ(table[1].line, 2);

    wav = nullptr;
    d.BuildReplyList(nullptr, 0, table, &count, &wav);
    ASSERT_EQ(count, 3);
    EXPECT_STREQ(table[0].text, "second");
    EXPECT_EQ(wav, nullptr);  // no voice: the output is left alone
    EXPECT_EQ(table[2].line, 3);
    EXPECT_EQ(table[2].oneShot, 1);

    // A said one-shot reply is skipped and its digit goes to the next reply.
    d.MarkLine(3, 0);
    d.BuildReplyList(nullptr, 1, table, &count, nullptr);
    EXPECT_EQ(count, 2);
}

TEST_F(RadioQueryTest, NoSayableQuestionGivesAnEmptyList)
{
    Add(TEXTLINE_ANSWER, "a", "", 0, {0});
    RadioReplyEntry table[RADIO_REPLY_TABLE_SIZE];
    int count = 5;
    d.BuildReplyList(nullptr, 0, table, &count, nullptr);
    EXPECT_EQ(count, 0);
    d.BuildReplyList(nullptr, 40, table, &count, nullptr);
    EXPECT_EQ(count, 0);
}

TEST_F(RadioQueryTest, TakeLineAndFindLineWav)
{
    Add(TEXTLINE_TOENEMY_SEEINHELL, "die", "die.wav", 1, {0});
    EXPECT_STREQ(d.TakeLine(TEXTLINE_TOENEMY_SEEINHELL), "die");
    EXPECT_EQ(d.TakeLine(TEXTLINE_TOENEMY_SEEINHELL), nullptr);
    EXPECT_STREQ(d.FindLineWav(TEXTLINE_TOENEMY_SEEINHELL), "die.wav");
    d.ResetLineFlags(0);
    EXPECT_STREQ(d.TakeLine(TEXTLINE_TOENEMY_SEEINHELL), "die");
    EXPECT_STREQ(d.TakeLine(TEXTLINE_TOENEMY_SEEINHELL), "die");  // repeatable now
    EXPECT_EQ(d.FindLineWav(TEXTLINE_GETORDER_OK), nullptr);
    d.MarkLine(0, 1);
    EXPECT_EQ(d.TakeLine(TEXTLINE_TOENEMY_SEEINHELL), nullptr);
    // Out-of-range line numbers are ignored.
    d.MarkLine(-1, 1);
    d.ResetLineFlags(99);
}

TEST_F(RadioQueryTest, LongSpeakerNameIsCut)
{
    std::string longText(RADIO_TEXT_SIZE - 1, 'x');
    Add(TEXTLINE_QUESTION, longText.c_str(), "", 0, {});
    RadioReplyEntry table[RADIO_REPLY_TABLE_SIZE];
    int count = 0;
    d.BuildReplyList("Speaker", 0, table, &count, nullptr);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(std::strlen(table[0].text), (size_t)RADIO_TEXT_SIZE - 1);
}

} // namespace
