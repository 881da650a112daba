#!/usr/bin/python3
"""Checks the MP3 files of a folder for scripts/e2e, reading ID3v1 trailers with mutagen.

  tags.py snapshot FOLDER OUT.json      record every file's bytes (hash) and ID3v1 texts
  tags.py same FOLDER SNAPSHOT.json      every file as recorded; files that had no trailer may
                                         have gained one with empty texts (an undone batch)
  tags.py field FOLDER SNAPSHOT.json FIELD TEXT [FILE]
                                         FIELD (artist, title, ...) is TEXT in every file (or
                                         only in FILE, relative; the others as recorded); all
                                         other fields and the audio as recorded
Exits 1 with one line per difference.
"""
import hashlib
import json
import os
import sys

from mutagen.id3 import ParseID3v1

FRAMES = {"title": "TIT2", "artist": "TPE1", "album": "TALB", "year": "TDRC", "comment": "COMM",
          "genre": "TCON"}


def files(folder):
    for root, _, names in os.walk(folder):
        for name in names:
            if name.lower().endswith(".mp3"):
                path = os.path.join(root, name)
                yield os.path.relpath(path, folder), path


def texts(data):
    """The ID3v1 texts as mutagen reads them; None when the file has no trailer."""
    if len(data) < 128 or data[-128:-125] != b"TAG":
        return None
    frames = ParseID3v1(data[-128:]) or {}
    out = {}
    for field, frame_id in FRAMES.items():
        frame = frames.get(frame_id)
        out[field] = str(frame.text[0]) if frame is not None and frame.text else ""
    return out


def record(path):
    with open(path, "rb") as f:
        data = f.read()
    tag = texts(data)
    audio = data[:-128] if tag is not None else data
    return {"sha": hashlib.sha256(data).hexdigest(), "audio": hashlib.sha256(audio).hexdigest(),
            "tag": tag}


def load(snapshot):
    with open(snapshot, encoding="utf-8") as f:
        return json.load(f)


def compare_sets(folder, before, problems):
    now = {rel: record(path) for rel, path in files(folder)}
    for rel in sorted(set(before) - set(now)):
        problems.append(f"{rel}: missing")
    for rel in sorted(set(now) - set(before)):
        problems.append(f"{rel}: unexpected new file")
    return now


def main():
    command, folder = sys.argv[1], sys.argv[2]
    problems = []
    if command == "snapshot":
        with open(sys.argv[3], "w", encoding="utf-8") as f:
            json.dump({rel: record(path) for rel, path in files(folder)}, f, ensure_ascii=False,
                      indent=1)
        return 0
    before = load(sys.argv[3])
    now = compare_sets(folder, before, problems)
    for rel in sorted(set(before) & set(now)):
        old, new = before[rel], now[rel]
        if command == "same":
            if old["sha"] == new["sha"]:
                continue
            emptied = old["tag"] is None and new["audio"] == old["audio"] \
                and new["tag"] is not None and all(value == "" for value in new["tag"].values())
            if not emptied:
                problems.append(f"{rel}: changed (tag now {new['tag']}, was {old['tag']})")
        elif command == "field":
            field, text = sys.argv[4], sys.argv[5]
            only = sys.argv[6] if len(sys.argv) > 6 else None
            if only is not None and rel != only:
                if old["sha"] != new["sha"]:
                    problems.append(f"{rel}: changed although only {only} should")
                continue
            if new["audio"] != old["audio"]:
                problems.append(f"{rel}: audio bytes changed")
            if new["tag"] is None:
                problems.append(f"{rel}: no ID3v1 trailer")
                continue
            if new["tag"][field] != text:
                problems.append(f"{rel}: {field} is {new['tag'][field]!r}, not {text!r}")
            for key, value in (old["tag"] or {}).items():
                if key != field and new["tag"][key] != value:
                    problems.append(f"{rel}: {key} changed from {value!r} to {new['tag'][key]!r}")
        else:
            print(__doc__, file=sys.stderr)
            return 2
    for line in problems:
        print(line)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
