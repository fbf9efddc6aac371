#!/usr/bin/env python3
"""Copies C++ sources with every non-ASCII byte run inside a narrow string or character literal
re-encoded from UTF-8 to GBK and written as octal escapes.

Clang encodes narrow literals in UTF-8 only (it has no -fexec-charset=GBK), so a Clang build
compiles these copies of the system code instead; their literals then hold the same bytes GCC
gives the originals. Comments, identifiers and prefixed literals (u8, u, U, L) are copied as they
stand; a raw string is split around each such run ("R"x(a)x" "\\326\\320" R"x(b)x"").

Usage: gbk_literals.py SOURCE_ROOT TARGET_ROOT RELATIVE_PATH...
A copy is rewritten only when its content changes, so unchanged files are not rebuilt.
"""
import os
import sys

PREFIXES = ("u8", "u", "U", "L")
IDENTIFIER_START = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_"
IDENTIFIER_PART = IDENTIFIER_START + "0123456789"


def octal_gbk(run):
    try:
        return "".join("\\%03o" % byte for byte in run.encode("gbk"))
    except UnicodeEncodeError:
        # Not GBK, so not from system code (GCC rejects it there): the copy is never compiled.
        return run


def convert_quoted(text, i, quote, out):
    """Copies the literal opening at text[i]; returns the index after its closing quote."""
    out.append(quote)
    i += 1
    while i < len(text) and text[i] != quote and text[i] != "\n":
        if text[i] == "\\":
            out.append(text[i:i + 2])
            i += 2
        elif ord(text[i]) > 0x7F:
            end = i
            while end < len(text) and ord(text[end]) > 0x7F:
                end += 1
            out.append(octal_gbk(text[i:end]))
            i = end
        else:
            out.append(text[i])
            i += 1
    if i < len(text) and text[i] == quote:
        out.append(quote)
        i += 1
    return i


def convert_raw(text, i, out):
    """Copies the raw string whose opening quote is text[i] (after the R)."""
    open_paren = text.index("(", i)
    delimiter = text[i + 1:open_paren]
    closing = ")" + delimiter + '"'
    end = text.index(closing, open_paren)
    body = text[open_paren + 1:end]
    out.append('"' + delimiter + "(")
    j = 0
    while j < len(body):
        if ord(body[j]) > 0x7F:
            k = j
            while k < len(body) and ord(body[k]) > 0x7F:
                k += 1
            out.append(closing + ' "' + octal_gbk(body[j:k]) + '" R"' + delimiter + "(")
            j = k
        else:
            out.append(body[j])
            j += 1
    out.append(closing)
    return end + len(closing)


def convert(text):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = len(text) if end == -1 else end
            out.append(text[i:end])
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = len(text) if end == -1 else end + 2
            out.append(text[i:end])
            i = end
        elif c in IDENTIFIER_START or c.isdigit():
            # A whole identifier or number (digit separators included), then maybe its literal.
            end = i + 1
            while end < len(text) and (text[end] in IDENTIFIER_PART or
                                       (c.isdigit() and text[end] in "'.")):
                end += 1
            word = text[i:end]
            out.append(word)
            i = end
            if i < len(text) and text[i] == '"' and not c.isdigit():
                if word == "R":
                    i = convert_raw(text, i, out)
                elif word in PREFIXES or (word.endswith("R") and word[:-1] in PREFIXES):
                    # Not narrow: copied as it stands.
                    copy = []
                    end = convert_raw(text, i, copy) if word.endswith("R") else convert_quoted(
                        text, i, '"', copy)
                    out.append(text[i:end])
                    i = end
        elif c == '"' or c == "'":
            i = convert_quoted(text, i, c, out)
        else:
            out.append(c)
            i += 1
    return "".join(out)


def main():
    source_root, target_root = sys.argv[1], sys.argv[2]
    for relative in sys.argv[3:]:
        with open(os.path.join(source_root, relative), encoding="utf-8") as f:
            converted = convert(f.read())
        target = os.path.join(target_root, relative)
        try:
            with open(target, encoding="utf-8", errors="surrogateescape") as f:
                if f.read() == converted:
                    continue
        except FileNotFoundError:
            os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "w", encoding="utf-8") as f:
            f.write(converted)


if __name__ == "__main__":
    main()
