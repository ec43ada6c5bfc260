#!/usr/bin/env python3
"""Fills the empty Voice fields of the pilots' radio dialogs under data/.

Every line a unit says itself (its questions, refusals, docking answers, order
acknowledgements and the lines the behaviour code makes it say) gets the voice file
"Data/Sounds/Voices/<ENG|RUS>/<hash>_01.wav", where <hash> is the FNV-1a hash of the
line's UTF-8 text; the data build speaks those files (tools/datagen/radio_voices.cpp).
Lines the player chooses stay silent. Fields already set are kept, so it can run again.
"""
import glob
import os
import sys

SAID = {"TEXTLINE_QUESTION", "TEXTLINE_END_DIALOG_REJECT_COMM", "TEXTLINE_REQUEST_LANDING_OK",
        "TEXTLINE_REQUEST_LANDING_TOOFAR", "TEXTLINE_REQUEST_LANDING_WAIT", "TEXTLINE_GETORDER_OK"}


def fnv1a(data):
    h = 0x811C9DC5
    for c in data:
        h = ((h ^ c) * 0x01000193) & 0xFFFFFFFF
    return h


def said_by_unit(kind):
    return kind in SAID or kind.startswith("TEXTLINE_TOFRIEND") or kind.startswith("TEXTLINE_TOENEMY")


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data")
    for lang in ("ENG", "RUS"):
        pattern = os.path.join(root, "Data", "Space", "Private data." + lang, "**", "Main.pd")
        for path in sorted(glob.glob(pattern, recursive=True)):
            with open(path, encoding="utf-8") as f:
                lines = f.read().split("\n")
            changed = False
            for i in range(len(lines) - 2):
                line, kind, voice = lines[i], lines[i + 1][32:].strip(), lines[i + 2]
                text = line[42:]
                if not line.startswith("Line ") or not voice.startswith("Voice") or not text.strip():
                    continue
                if said_by_unit(kind) and not voice[32:].strip():
                    name = "Data/Sounds/Voices/%s/%08x_01.wav" % (lang, fnv1a(text.encode("utf-8")))
                    lines[i + 2] = voice[:32].ljust(32) + name
                    changed = True
            if changed:
                with open(path, "w", encoding="utf-8") as f:
                    f.write("\n".join(lines))
                print(path)


if __name__ == "__main__":
    main()
