// Radio dialog files: a fixed-column text format read line piece by line piece.
#include "flight_ui/radio_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/settings.h"
#include "files/file_manager.h"
#include "world/objects/unit.h"

namespace {

struct KeyCode {
    const char* key;
    int code;
};

const KeyCode kLineTypes[] = {
    {"TEXTLINE_QUESTION", TEXTLINE_QUESTION},
    {"TEXTLINE_ANSWER", TEXTLINE_ANSWER},
    {"TEXTLINE_END_DIALOG_NORMAL", TEXTLINE_END_DIALOG_NORMAL},
    {"TEXTLINE_END_DIALOG_BATTLE", TEXTLINE_END_DIALOG_BATTLE},
    {"TEXTLINE_END_DIALOG_REJECT_COMM", TEXTLINE_END_DIALOG_REJECT_COMM},
    {"TEXTLINE_END_DIALOG_HIRED", TEXTLINE_END_DIALOG_HIRED},
    {"TEXTLINE_REQUEST_LANDING", TEXTLINE_REQUEST_LANDING},
    {"TEXTLINE_REQUEST_LANDING_OK", TEXTLINE_REQUEST_LANDING_OK},
    {"TEXTLINE_REQUEST_LANDING_TOOFAR", TEXTLINE_REQUEST_LANDING_TOOFAR},
    {"TEXTLINE_REQUEST_LANDING_WAIT", TEXTLINE_REQUEST_LANDING_WAIT},
    {"TEXTLINE_REQUEST_LOADING", TEXTLINE_REQUEST_LOADING},
    {"TEXTLINE_END_DIALOG_SETORDER1", TEXTLINE_END_DIALOG_SETORDER1},
    {"TEXTLINE_END_DIALOG_SETORDER2", TEXTLINE_END_DIALOG_SETORDER2},
    {"TEXTLINE_END_DIALOG_SETORDER3", TEXTLINE_END_DIALOG_SETORDER3},
    {"TEXTLINE_END_DIALOG_SETORDER4", TEXTLINE_END_DIALOG_SETORDER4},
    {"TEXTLINE_END_DIALOG_SETORDER5", TEXTLINE_END_DIALOG_SETORDER5},
    {"TEXTLINE_END_DIALOG_SETORDER6", TEXTLINE_END_DIALOG_SETORDER6},
    {"TEXTLINE_END_DIALOG_SETORDER7", TEXTLINE_END_DIALOG_SETORDER7},
    {"TEXTLINE_END_DIALOG_SETORDER8", TEXTLINE_END_DIALOG_SETORDER8},
    {"TEXTLINE_END_DIALOG_SETORDER9", TEXTLINE_END_DIALOG_SETORDER9},
    {"TEXTLINE_GETORDER_OK", TEXTLINE_GETORDER_OK},
    {"TEXTLINE_TOFRIEND_ENEMYDETECT1", TEXTLINE_TOFRIEND_ENEMYDETECT1},
    {"TEXTLINE_TOFRIEND_ENEMYDETECT2", TEXTLINE_TOFRIEND_ENEMYDETECT2},
    {"TEXTLINE_TOFRIEND_STARTATTACKENEMY1", TEXTLINE_TOFRIEND_STARTATTACKENEMY1},
    {"TEXTLINE_TOFRIEND_STARTATTACKENEMY2", TEXTLINE_TOFRIEND_STARTATTACKENEMY2},
    {"TEXTLINE_TOFRIEND_STARTLOADING", TEXTLINE_TOFRIEND_STARTLOADING},
    {"TEXTLINE_TOFRIEND_STARTUNLOADING", TEXTLINE_TOFRIEND_STARTUNLOADING},
    {"TEXTLINE_TOFRIEND_KEEPEASY", TEXTLINE_TOFRIEND_KEEPEASY},
    {"TEXTLINE_TOFRIEND_ENEMYDEAD", TEXTLINE_TOFRIEND_ENEMYDEAD},
    {"TEXTLINE_TOFRIEND_FRIENDDEAD", TEXTLINE_TOFRIEND_FRIENDDEAD},
    {"TEXTLINE_TOENEMY_DONTMOVECLOSE", TEXTLINE_TOENEMY_DONTMOVECLOSE},
    {"TEXTLINE_TOENEMY_DONTCOMEBACK", TEXTLINE_TOENEMY_DONTCOMEBACK},
    {"TEXTLINE_TOENEMY_PREPARETODIE", TEXTLINE_TOENEMY_PREPARETODIE},
    {"TEXTLINE_TOENEMY_GETOUTSTUPID", TEXTLINE_TOENEMY_GETOUTSTUPID},
    {"TEXTLINE_TOENEMY_SEEINHELL", TEXTLINE_TOENEMY_SEEINHELL},
    {"TEXTLINE_END_DIALOG_QUEST_ID0", TEXTLINE_END_DIALOG_QUEST_ID0},
    {"TEXTLINE_END_DIALOG_QUEST_ID1", TEXTLINE_END_DIALOG_QUEST_ID1},
    {"TEXTLINE_END_DIALOG_QUEST_ID2", TEXTLINE_END_DIALOG_QUEST_ID2},
    {"TEXTLINE_END_DIALOG_OUTDOCKING", TEXTLINE_END_DIALOG_OUTDOCKING},
    {"TEXTLINE_END_DIALOG_MISSION_COMPLETE", TEXTLINE_END_DIALOG_MISSION_COMPLETE},
};

// One ReadLine call into a cleared buffer; the buffer is always terminated.
int ReadPiece(char* buffer, int max, int handle)
{
    buffer[0] = 0;
    int r = CFileManager::ReadLine(buffer, max, handle);
    buffer[max - 1] = 0;
    return r;
}

// A piece that filled its buffer left the rest of its line unread: consume it so the
// next read starts on the next line.
void DrainLine(const char* piece, int max, int handle)
{
    if ((int)std::strlen(piece) < max - 1) return;
    char rest[256];
    for (int guard = 0; guard < 100000; ++guard) {
        if (ReadPiece(rest, sizeof(rest), handle) <= 0) return;
        if ((int)std::strlen(rest) < (int)sizeof(rest) - 1) return;
    }
}

} // namespace

int DialogLineTypeFromKey(const char* key)
{
    if (!key) return 0;
    for (const KeyCode& k : kLineTypes)
        if (StrEqual(key, k.key)) return k.code;
    return 0;
}

CRadioDialog::CRadioDialog()
{
    owner = nullptr;
    Clear();
}

void CRadioDialog::Clear()
{
    lineCount = 0;
    for (CRadioDialogLine& l : lines) {
        l.text[0] = 0;
        l.wav[0] = 0;
        for (int32_t& r : l.replies) r = -1;
        l.replyCount = 0;
        l.type = 0;
        l.oneShot = 0;
        l.said = 0;
    }
}

void CRadioDialog::LoadFile(const char* path, CUnit* dialogOwner)
{
    if (!path) return;
    int handle = CFileManager::Open(path, 2000, nullptr);
    if (handle == -1) return;
    char line[255];
    ReadPiece(line, sizeof(line), handle);
    DrainLine(line, sizeof(line), handle);
    owner = dialogOwner;
    if (owner) Load(handle);
    CFileManager::Close(handle);
}

void CRadioDialog::Load(int handle)
{
    Clear();
    char buf[255];
    char label[33];
    char field[8];

    ReadPiece(buf, sizeof(buf), handle);
    if (std::strstr(buf, "//-")) return;
    DrainLine(buf, sizeof(buf), handle);

    while (lineCount < RADIO_MAX_LINES) {
        CRadioDialogLine& l = lines[lineCount];

        // Line 1: label, 6 ignored characters, the one-shot value, the text.
        if (ReadPiece(label, sizeof(label), handle) <= 0 || !label[0]) {
            DebugOut("CRadioDialog::Load(): dialog ends without its end marker");
            break;
        }
        if ((int)std::strlen(label) < (int)sizeof(label) - 1) {
            // A line shorter than its label column: the record is broken.
            DebugOut("CRadioDialog::Load(): record line too short");
            break;
        }
        ReadPiece(field, 7, handle);
        ReadPiece(field, 5, handle);
        l.oneShot = std::atoi(field);
        ReadPiece(l.text, sizeof(l.text), handle);
        DrainLine(l.text, sizeof(l.text), handle);
        for (char* p = l.text; *p; ++p)
            if (*p == '"') *p = '`';

        // Line 2: the type key.
        ReadPiece(label, sizeof(label), handle);
        ReadPiece(buf, sizeof(buf), handle);
        DrainLine(buf, sizeof(buf), handle);
        l.type = StrEqual(buf, "TEXTLINE_QUESTION") ? TEXTLINE_QUESTION : DialogLineTypeFromKey(buf);

        // Line 3: the voice file.
        ReadPiece(label, sizeof(label), handle);
        ReadPiece(l.wav, sizeof(l.wav), handle);
        DrainLine(l.wav, sizeof(l.wav), handle);

        // Line 4: reply indexes in 5-character fields, up to the first short one.
        ReadPiece(label, sizeof(label), handle);
        l.replyCount = 0;
        for (;;) {
            int r = ReadPiece(field, 6, handle);
            size_t len = std::strlen(field);
            if (l.replyCount < RADIO_MAX_REPLIES) {
                l.replies[l.replyCount++] = std::atoi(field);
            } else if (len == 5) {
                DebugOut("CRadioDialog::Load(): more than 16 replies, the rest is ignored");
                DrainLine(field, 6, handle);
                break;
            }
            if (len < 5 || r <= 0) break;
        }

        ++lineCount;

        // Separator or end marker.
        if (ReadPiece(buf, sizeof(buf), handle) <= 0) break;
        if (std::strstr(buf, "//-")) break;
        DrainLine(buf, sizeof(buf), handle);
        if (lineCount == RADIO_MAX_LINES)
            DebugOut("CRadioDialog::Load(): more than 32 lines, the rest is ignored");
    }

    DropBadReplies();
    ApplyVoiceSex();
}

void CRadioDialog::DropBadReplies()
{
    for (uint32_t i = 0; i < lineCount; ++i) {
        CRadioDialogLine& l = lines[i];
        int kept = 0;
        for (int j = 0; j < l.replyCount; ++j) {
            int r = l.replies[j];
            if (r >= 0 && (uint32_t)r < lineCount) l.replies[kept++] = r;
            else DebugOutF("CRadioDialog::Load(): line %u names reply %d outside the dialog", i, r);
        }
        for (int j = kept; j < RADIO_MAX_REPLIES; ++j) l.replies[j] = -1;
        l.replyCount = kept;
    }
}

void CRadioDialog::ApplyVoiceSex()
{
    if (!owner) return;
    if (owner->kind < 20000 || owner->kind > 20998) return;
    char letter = owner->pilot.sex == 0 ? 'M' : 'W';
    for (uint32_t i = 0; i < lineCount; ++i) {
        char* wav = lines[i].wav;
        size_t len = std::strlen(wav);
        if (len < 6 || len + 1 >= sizeof(lines[i].wav)) continue;
        size_t at = len - 6;
        std::memmove(wav + at + 1, wav + at, len - at + 1);
        wav[at] = letter;
    }
}

bool CRadioDialog::IsSayable(int n) const
{
    if (n < 0 || (uint32_t)n >= lineCount) return false;
    return lines[n].oneShot == 0 || lines[n].said == 0;
}

const char* CRadioDialog::FindLineWav(int type) const
{
    for (uint32_t i = 0; i < lineCount; ++i) {
        if (lines[i].type != type) continue;
        return lines[i].wav[0] ? lines[i].wav : nullptr;
    }
    return nullptr;
}

const char* CRadioDialog::TakeLine(int type)
{
    for (uint32_t i = 0; i < lineCount; ++i) {
        if (lines[i].type != type || !IsSayable((int)i)) continue;
        if (lines[i].oneShot == 1) lines[i].said = 1;
        return lines[i].text;
    }
    return nullptr;
}

void CRadioDialog::ResetLineFlags(int n)
{
    if (n < 0 || n >= RADIO_MAX_LINES) return;
    lines[n].oneShot = 0;
    lines[n].said = 0;
}

void CRadioDialog::MarkLine(int n, int makeOneShot)
{
    if (n < 0 || n >= RADIO_MAX_LINES) return;
    if (makeOneShot) {
        lines[n].oneShot = 1;
        lines[n].said = 1;
    } else if (lines[n].oneShot == 1) {
        lines[n].said = 1;
    }
}

void CRadioDialog::BuildReplyList(const char* speakerName, int startLine, RadioReplyEntry* table,
                                  int* outCount, const char** outWav)
{
    if (outCount) *outCount = 0;
    if (!table) return;
    if (startLine < 0) startLine = 0;

    int q = -1;
    for (uint32_t i = (uint32_t)startLine; i < lineCount; ++i) {
        if (lines[i].type == TEXTLINE_QUESTION && IsSayable((int)i)) {
            q = (int)i;
            break;
        }
    }
    if (q < 0) return;

    CRadioDialogLine& question = lines[q];
    RadioReplyEntry& row0 = table[0];
    if (speakerName) {
        // Name and text cut together to the row's size.
        int n = std::snprintf(row0.text, sizeof(row0.text), "%.*s: ", (int)sizeof(row0.text) - 3, speakerName);
        if (n < 0) n = 0;
        if (n > (int)sizeof(row0.text) - 1) n = (int)sizeof(row0.text) - 1;
        CopyTextCut(row0.text + n, sizeof(row0.text) - (size_t)n, question.text);
    } else {
        CopyTextCut(row0.text, sizeof(row0.text), question.text);
    }
    if (outWav && question.wav[0]) *outWav = question.wav;
    row0.colour = RADIO_COLOUR_QUESTION;
    row0.type = TEXTLINE_QUESTION;
    row0.nextLine = q;
    row0.line = q;
    if (question.oneShot == 1) question.said = 1;

    int count = 1;
    for (int j = 0; j < question.replyCount && count < RADIO_REPLY_TABLE_SIZE; ++j) {
        int r = question.replies[j];
        if (!IsSayable(r)) continue;
        const CRadioDialogLine& reply = lines[r];
        RadioReplyEntry& row = table[count++];
        CopyTextCut(row.text, sizeof(row.text), reply.text);
        row.colour = RADIO_COLOUR_REPLY;
        row.type = reply.type;
        row.nextLine = reply.replyCount > 0 ? reply.replies[0] : -1;
        row.line = r;
        row.oneShot = reply.oneShot;
    }
    if (outCount) *outCount = count;
}
