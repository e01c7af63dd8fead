#!/usr/bin/env python3
"""docs/messages.md lists exactly the last-error messages the library can write.

usage: check_messages.py SRC_DIR MESSAGES_MD

Every string literal in the library's sources is taken as a message unless it
stands where no message can (#include, extern "C", asm, static_assert,
__attribute__), is a printf format (messages are static texts), holds no
letter, or is named in NOT_MESSAGES below. Adjacent literals are joined, as
the compiler joins them. So a new message fails this check however it
reaches the error writer; a new literal that is no message must be added to
NOT_MESSAGES, with the reason.

Each documented message is a heading of the form: ### `text`
"""
import pathlib
import re
import sys

# Literals of the library that are not last-error messages, and why.
NOT_MESSAGES = {
    "0.9.6": "the version text of dib_build_info",
    "Oskavi_DIB_Window": "the hidden window's class name",
    "Gantrel": "the hidden window's title",
    "holds this device": "how dib_open tells the exclusive failure from the others",
    "\"effects\":[": "a key of the device list's JSON",
    "ntdll.dll": "where Wine's version function is looked for",
    "wine_get_version": "the function that shows the library runs under Wine",
    "Wine builtin DLL": "the mark of Wine's own modules, which tells Wine's DirectInput",
    **{name: "an effect type's name in the device list" for name in (
        "constant", "square", "sine", "triangle", "sawtoothup", "sawtoothdown",
        "spring", "damper", "inertia", "friction")},
}

NO_MESSAGE_CONTEXTS = {"asm", "__asm__", "static_assert", "_Static_assert", "__attribute__"}
FORMAT = re.compile(r"%[-+ #0-9.]*[hlzjt]*[diouxXcsfgeEp]")
HEADING = re.compile(r"^### `(.+)`\s*$", re.M)

TOKEN = re.compile(r"""
    (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<pre>^[ \t]*\#[ \t]*include[^\n]*)
  | (?P<raw>(?:u8|[uUL])?R"(?P<delim>[^(\s]*)\((?P<rawbody>.*?)\)(?P=delim)")
  | (?P<string>(?:u8|[uUL])?"(?P<body>(?:[^"\\\n]|\\.)*)")
  | (?P<char>(?:u8|[uUL])?'(?:[^'\\\n]|\\.)*')
  | (?P<ident>[A-Za-z_]\w*)
  | (?P<open>[(\[{])
  | (?P<close>[)\]}])
  | (?P<space>\s+)
  | (?P<other>.)
""", re.X | re.S | re.M)

ESCAPES = {"n": "\n", "t": "\t", "\\": "\\", '"': '"', "'": "'", "0": "\0"}


def unescape(body):
    return re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(1)), body)


def literals(text):
    """(line, text) of each literal, adjacent ones joined, outside no-message contexts."""
    found = []
    groups = []            # for each open bracket: the identifier before it
    last_ident = None      # the identifier just before the current token, if any
    pending = None         # [line, text, skipped] of a literal that may continue
    for m in TOKEN.finditer(text):
        kind = next(k for k in ("comment", "pre", "raw", "string", "char", "ident", "open", "close",
                                "space", "other") if m.group(k) is not None)
        if kind in ("comment", "space"):
            continue
        if kind in ("string", "raw"):
            value = m.group("rawbody") if kind == "raw" else unescape(m.group("body"))
            if pending:
                pending[1] += value
            else:
                skipped = last_ident == "extern" or any(g in NO_MESSAGE_CONTEXTS for g in groups)
                pending = [text.count("\n", 0, m.start()) + 1, value, skipped]
            continue
        if pending:
            if not pending[2]:
                found.append((pending[0], pending[1]))
            pending = None
        if kind == "open":
            groups.append(last_ident)
        elif kind == "close" and groups:
            groups.pop()
        last_ident = m.group("ident") if kind == "ident" else None
    if pending and not pending[2]:
        found.append((pending[0], pending[1]))
    return found


def source_messages(files):
    """{message: [where, ...]} of every literal that is taken as a message."""
    messages = {}
    for name, text in files.items():
        for line, value in literals(text):
            if value in NOT_MESSAGES or FORMAT.search(value) or not re.search(r"[A-Za-z]", value):
                continue
            messages.setdefault(value, []).append(f"{name}:{line}")
    return messages


def problems(files, document):
    in_source = source_messages(files)
    documented = HEADING.findall(document)
    found = []
    for message, where in sorted(in_source.items()):
        if message not in documented:
            found.append(f"{where[0]}: \"{message}\" is not in docs/messages.md "
                         "(or, if it is no message, in NOT_MESSAGES of tests/docs/check_messages.py)")
    for message in documented:
        if message not in in_source:
            found.append(f"docs/messages.md: \"{message}\" is written nowhere in src/")
    seen = set()
    for message in documented:
        if message in seen:
            found.append(f"docs/messages.md: \"{message}\" is listed twice")
        seen.add(message)
    return found


# Each way a new message could enter the sources; each must be caught.
PLANTED = [
    'void f() { set_last_error("planted one"); }',
    'int f(Device* d) { return fail_open(d, "planted " "in two parts", hr); }',
    'EffectOutcome f() { return {DIB_E_FAILED, "planted outcome"}; }',
    'constexpr char kPlanted[] = R"(planted raw)";',
    '#define PLANTED_MESSAGE "planted macro"',
]


def main():
    src, doc = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    files = {str(p.relative_to(src.parent)): p.read_text(encoding="utf-8")
             for p in sorted(src.rglob("*")) if p.suffix in (".cpp", ".h", ".c")}
    document = doc.read_text(encoding="utf-8")
    found = problems(files, document)
    for line in found:
        print(line)
    # The extraction itself: a planted message of each form must be reported.
    for plant in PLANTED:
        if not set(problems({**files, "planted.cpp": plant}, document)) - set(found):
            found.append(f"check_messages.py missed a planted message: {plant}")
            print(found[-1])
    count = len(source_messages(files))
    print(f"{count} messages in src/, {len(HEADING.findall(document))} in {doc.name}; "
          f"{len(PLANTED)} planted forms caught" if not found else f"{len(found)} problems")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
