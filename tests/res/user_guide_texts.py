"""The Czech texts docs/user-guide.md quotes are the module's own: every text
in backticks that holds a Czech letter, or is a whole text of the string table
or of a dialog template, must be one of the texts of res/strings.rc or
res/dialogs.rc. A format code of the string table stands for any value (an
empty one too) and a line feed of a message for " / " or the end, since the
guide quotes prompts as the user sees them, filled in.

  /usr/bin/python3 tests/res/user_guide_texts.py [GUIDE]
"""
import os
import re
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
CZECH = re.compile(r"[ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽáčďéěíňóřšťúůýž]")
FORMAT = re.compile(r"(%[-+ #0-9.*]*[a-zA-Z]|\n)")


def resource_texts():
    """Every quoted text of the two resource scripts, with their escapes undone."""
    texts = []
    for name in ("strings.rc", "dialogs.rc"):
        with open(os.path.join(ROOT, "res", name), encoding="utf-8") as f:
            for line in f:
                if line.lstrip().startswith(("//", "#")):
                    continue
                for m in re.finditer(r'"((?:[^"]|"")*)"', line):
                    if m.group(1):
                        texts.append(m.group(1).replace('""', '"').replace("\\n", "\n"))
    return texts


def matcher(text):
    parts = []
    for piece in FORMAT.split(text):
        if piece == "\n":
            parts.append(r"(?:\s*/\s*|\s*$)")
        elif FORMAT.fullmatch(piece):
            parts.append(".*?")
        else:
            parts.append(re.escape(piece))
    return re.compile("".join(parts))


def unknown_quotes(guide_text, texts):
    """The quotes of the guide that are no text of the resources."""
    matchers = [matcher(t) for t in texts]
    unknown = []
    for quote in re.findall(r"`([^`]+)`", guide_text):
        shown = re.sub(r"\s+", " ", quote)
        if not CZECH.search(shown) and shown not in texts:
            continue  # names of files, sections and keys, numbers
        if not any(m.fullmatch(shown) for m in matchers):
            unknown.append(quote)
    return unknown


def main():
    guide = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "docs", "user-guide.md")
    with open(guide, encoding="utf-8") as f:
        text = f.read()
    texts = resource_texts()
    quoted = len(re.findall(r"`[^`]+`", text))
    unknown = unknown_quotes(text, texts)
    for q in unknown:
        print(f"user_guide_texts: not a text of the module: {q!r}")
    # The check must have something to check: a guide without quotes, or
    # resources that could not be read, would pass anything.
    if quoted < 50 or len(texts) < 100:
        print(f"user_guide_texts: {quoted} quotes, {len(texts)} resource texts: too few")
        return 1
    print(f"user_guide_texts: {quoted} quotes read, checked against {len(texts)} texts")
    return 1 if unknown else 0


if __name__ == "__main__":
    sys.exit(main())
