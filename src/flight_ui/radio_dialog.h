// Radio dialog script of a unit: numbered lines with voices, types and replies.
#pragma once
#include <cstdint>

class CUnit;

// Line types of a dialog file (key text -> code).
enum RadioLineType {
    TEXTLINE_NONE = 0,
    TEXTLINE_QUESTION = 1,
    TEXTLINE_ANSWER = 2,
    TEXTLINE_END_DIALOG_NORMAL = 3,
    TEXTLINE_END_DIALOG_BATTLE = 4,
    TEXTLINE_END_DIALOG_REJECT_COMM = 5,
    TEXTLINE_END_DIALOG_HIRED = 6,
    TEXTLINE_REQUEST_LANDING = 10,
    TEXTLINE_REQUEST_LANDING_OK = 11,
    TEXTLINE_REQUEST_LANDING_TOOFAR = 12,
    TEXTLINE_REQUEST_LANDING_WAIT = 13,
    TEXTLINE_REQUEST_LOADING = 14,
    TEXTLINE_END_DIALOG_SETORDER1 = 101,
    TEXTLINE_END_DIALOG_SETORDER2 = 102,
    TEXTLINE_END_DIALOG_SETORDER3 = 103,
    TEXTLINE_END_DIALOG_SETORDER4 = 104,
    TEXTLINE_END_DIALOG_SETORDER5 = 105,
    TEXTLINE_END_DIALOG_SETORDER6 = 106,
    TEXTLINE_END_DIALOG_SETORDER7 = 107,
    TEXTLINE_END_DIALOG_SETORDER8 = 108,
    TEXTLINE_END_DIALOG_SETORDER9 = 109,
    TEXTLINE_GETORDER_OK = 110,
    TEXTLINE_TOFRIEND_ENEMYDETECT1 = 400,
    TEXTLINE_TOFRIEND_ENEMYDETECT2 = 401,
    TEXTLINE_TOFRIEND_STARTATTACKENEMY1 = 402,
    TEXTLINE_TOFRIEND_STARTATTACKENEMY2 = 403,
    TEXTLINE_TOFRIEND_STARTLOADING = 404,
    TEXTLINE_TOFRIEND_STARTUNLOADING = 405,
    TEXTLINE_TOFRIEND_KEEPEASY = 406,
    TEXTLINE_TOFRIEND_ENEMYDEAD = 407,
    TEXTLINE_TOFRIEND_FRIENDDEAD = 408,
    TEXTLINE_TOENEMY_DONTMOVECLOSE = 409,
    TEXTLINE_TOENEMY_DONTCOMEBACK = 410,
    TEXTLINE_TOENEMY_PREPARETODIE = 411,
    TEXTLINE_TOENEMY_GETOUTSTUPID = 412,
    TEXTLINE_TOENEMY_SEEINHELL = 413,
    TEXTLINE_END_DIALOG_QUEST_ID0 = 20000,
    TEXTLINE_END_DIALOG_QUEST_ID1 = 20001,
    TEXTLINE_END_DIALOG_QUEST_ID2 = 20002,
    TEXTLINE_END_DIALOG_OUTDOCKING = 20100,
    TEXTLINE_END_DIALOG_MISSION_COMPLETE = 21000,
};

constexpr int RADIO_MAX_LINES = 32;
constexpr int RADIO_MAX_REPLIES = 16;
constexpr int RADIO_TEXT_SIZE = 1024;
constexpr int RADIO_WAV_SIZE = 256;
constexpr int RADIO_REPLY_TABLE_SIZE = 64;

constexpr uint32_t RADIO_COLOUR_QUESTION = 0xFFFFFFFFu;
constexpr uint32_t RADIO_COLOUR_REPLY = 0xFF6464C8u;

struct CRadioDialogLine {
    char text[RADIO_TEXT_SIZE];
    char wav[RADIO_WAV_SIZE];
    int32_t replies[RADIO_MAX_REPLIES];
    int32_t replyCount;
    int32_t type;
    int32_t oneShot;
    int32_t said;
};

// One row of a reply table filled by CRadioDialog::BuildReplyList.
struct RadioReplyEntry {
    char text[RADIO_TEXT_SIZE];
    uint32_t colour;
    int32_t type;
    int32_t nextLine;
    int32_t line;
    int32_t oneShot;
};

// Key of a dialog file -> line type code; 0 for any other text.
int DialogLineTypeFromKey(const char* key);

class CRadioDialog {
public:
    CUnit* owner;
    uint32_t lineCount;
    CRadioDialogLine lines[RADIO_MAX_LINES];

    CRadioDialog();
    void Clear();

    // Reads a dialog file whose first line is a heading; a missing file changes nothing.
    void LoadFile(const char* path, CUnit* dialogOwner);
    // Reads a dialog from an open file manager handle at its current line.
    void Load(int handle);

    const char* FindLineWav(int type) const;
    const char* TakeLine(int type);
    void ResetLineFlags(int n);
    void MarkLine(int n, int makeOneShot);
    // Fills up to RADIO_REPLY_TABLE_SIZE rows: the question first, then its sayable replies.
    void BuildReplyList(const char* speakerName, int startLine, RadioReplyEntry* table,
                        int* outCount, const char** outWav);

    bool IsSayable(int n) const;

private:
    void ApplyVoiceSex();
    void DropBadReplies();
};
