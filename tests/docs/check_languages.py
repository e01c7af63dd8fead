#!/usr/bin/env python3
"""docs/languages.md declares gantrel.h's functions and records exactly.

usage: check_languages.py GANTREL_H LANGUAGES_MD

For the C#, Python and Delphi blocks marked `declarations`: the 17 functions
with the header's names, parameter counts and kinds, a 32-bit result and the
standard calling convention; every record with the header's size and every
field at the header's offset with its size and sign. The header's layout is
worked out with natural alignment and must agree with its own static
assertions, which both compilers check.
"""
import ctypes
import pathlib
import re
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "release" / "checks"))
from doc_blocks import block

# Integer types: (size, signed), in C and in each language.
C_INTS = {"int32_t": (4, True), "int16_t": (2, True), "uint64_t": (8, False), "uint16_t": (2, False)}
CS_INTS = {"int": (4, True), "short": (2, True), "ulong": (8, False), "ushort": (2, False), "byte": (1, False)}
PAS_INTS = {"Int32": (4, True), "Int16": (2, True), "UInt64": (8, False), "UInt16": (2, False), "Byte": (1, False)}

# Parameter kinds of the header, and the spellings each language may use.
PARAMETERS = {
    "C#": {"int": {"int32_t"}, "StringBuilder": {"char*"}, "string": {"const char*"},
           "out InputReport": {"InputReport*"}, "ref EffectParams": {"const EffectParams*"}},
    "Python": {"int32": {"int32_t"}, "c_char_p": {"char*", "const char*"},
               "POINTER(InputReport)": {"InputReport*"}, "POINTER(EffectParams)": {"const EffectParams*"}},
    "Delphi": {"Int32": {"int32_t"}, "PAnsiChar": {"char*", "const char*"},
               "var TInputReport": {"InputReport*"}, "var TEffectParams": {"const EffectParams*"}},
}


def flat(name):
    """cond[1].deadband, cond1.deadband and cond.1.deadband are one field."""
    return re.sub(r"[^a-z0-9_]", "", name.lower())


def layout(fields, records, packed=False):
    """Natural layout of [(name, type, count)]: (size, align, {flat name: (offset, size, signed)})."""
    offset, align, leaves = 0, 1, {}
    for name, kind, count in fields:
        size, field_align, inner = records[kind] if kind in records else (kind[0], kind[0], None)
        field_align = 1 if packed else field_align
        offset = -(-offset // field_align) * field_align
        for i in range(count):
            at = offset + i * size
            prefix = name + (str(i) if count > 1 else "")
            if inner is None:
                leaves[flat(prefix)] = (at, size, kind[1])
            for leaf, (o, s, signed) in (inner or {}).items():
                leaves[flat(prefix) + leaf] = (at + o, s, signed)
        offset += size * count
        align = max(align, field_align)
    return -(-offset // align) * align, align, leaves


def header(text):
    records, functions = {}, {}
    for body, name in re.findall(r"typedef struct \w+ \{(.*?)\} (\w+);", text, re.S):
        fields = [(n, records.get(t) and t or C_INTS[t], int(c or 1))
                  for t, n, c in re.findall(r"^\s*(\w+) (\w+)(?:\[(\d+)\])?;", body, re.M)]
        records[name] = layout(fields, records)
    for name, args in re.findall(r"DIB_API int32_t DIB_CALL (\w+)\(([^)]*)\);", text):
        kinds = [] if args.strip() == "void" else [
            re.sub(r"\s+", " ", re.sub(r"\s*\w+\s*$", "", a.strip())).replace(" *", "*") for a in args.split(",")]
        functions[name] = kinds
    # The static assertions the compilers check hold for this layout too.
    for kind, field, value in re.findall(r"GANTREL_OFFSET\((\w+), ([\w\[\].]+)\) == (\d+)", text):
        leaves, key = records[kind][2], flat(field)
        at = leaves[key][0] if key in leaves else min(o for n, (o, _, _) in leaves.items() if n.startswith(key))
        if at != int(value):
            raise SystemExit(f"gantrel.h: {kind}.{field} is at {value}, worked out {at}")
    for kind, value in re.findall(r"sizeof\((\w+)\) == (\d+)", text):
        if records[kind][0] != int(value):
            raise SystemExit(f"gantrel.h: {kind} is {value} bytes, worked out {records[kind][0]}")
    return records, functions


def csharp(code):
    records, functions, problems = {}, {}, []
    for attributes, name, body in re.findall(r"\[StructLayout\(([^)]*)\)\]\s*public struct (\w+)[^{]*\{(.*?)\n\}", code, re.S):
        fields = re.findall(r"(?:\[FieldOffset\((\d+)\)\] )?public (\w+) (\w+);", body)
        if "Explicit" in attributes:
            leaves = {}
            for at, kind, field in fields:
                leaves[flat(field)] = (int(at),) + CS_INTS[kind]
            records[name] = (int(re.search(r"Size = (\d+)", attributes).group(1)), 8, leaves)
        else:
            records[name] = layout([(f, k if k in records else CS_INTS[k], 1) for _, k, f in fields], records)
    for attributes, result, name, args in re.findall(
            r"\[DllImport\(([^)]*)\)\]\s*public static extern (\w+) (\w+)\(([^)]*)\);", code):
        if "CallingConvention.StdCall" not in attributes or "CharSet.Ansi" not in attributes:
            problems.append(f"C# {name}: not StdCall with CharSet.Ansi")
        if result != "int":
            problems.append(f"C# {name}: returns {result}")
        functions[name] = [a.strip().rsplit(" ", 1)[0] for a in args.split(",") if a.strip()]
    return records, functions, problems


def python(code):
    scope = {}
    exec(compile(code, "languages.md (python)", "exec"), scope)

    def leaves(cls, base=0, prefix=""):
        out = {}
        for name, kind in cls._fields_:
            at = base + getattr(cls, name).offset
            count = getattr(kind, "_length_", 1)
            item = getattr(kind, "_type_", kind) if count > 1 else kind
            for i in range(count):
                here, label = at + i * ctypes.sizeof(item), prefix + name + (str(i) if count > 1 else "")
                if issubclass(item, ctypes.Structure):
                    out.update(leaves(item, here, label))
                else:
                    out[flat(label)] = (here, ctypes.sizeof(item), item(-1).value < 0)
        return out

    records = {n: (ctypes.sizeof(c), ctypes.alignment(c), leaves(c)) for n, c in scope.items()
               if isinstance(c, type) and issubclass(c, ctypes.Structure) and c is not ctypes.Structure}
    def spell(kind):
        if hasattr(kind, "contents"):
            return f"POINTER({kind._type_.__name__})"
        if kind._type_ in "bBhHiIlLqQ":  # an integer: its size and sign, whatever ctypes calls it
            return ("int" if kind(-1).value < 0 else "uint") + str(8 * ctypes.sizeof(kind))
        return kind.__name__

    functions = {n: [spell(t) for t in args] for n, args in scope["PROTOTYPES"].items()}
    problems = []
    if "ctypes.WinDLL(" not in code or "restype = c_int32" not in code:
        problems.append("Python: load() must use ctypes.WinDLL and set restype c_int32")
    return records, functions, problems


def delphi(code):
    records, functions, problems = {}, {}, []
    for name, packed, body in re.findall(r"(T\w+) = (packed )?record[^\n]*\n(.*?)\n\s*end;", code, re.S):
        fields = []
        for field, low, high, kind in re.findall(r"(\w+): (?:array\[(\d+)\.\.(\d+)\] of )?(\w+);", body):
            count = int(high) - int(low) + 1 if high else 1
            fields.append((field, kind[1:] if kind[1:] in records else PAS_INTS[kind], count))
        records[name[1:]] = layout(fields, records, packed=bool(packed))
    for name, args, result, convention in re.findall(
            r"function (\w+)(?:\(([^)]*)\))?: (\w+); (\w+); external GantrelDll;", code):
        if convention != "stdcall" or result != "Int32":
            problems.append(f"Delphi {name}: must be stdcall and return Int32")
        params = []
        for group in filter(None, (g.strip() for g in (args or "").split(";"))):
            names, kind = group.split(":")
            modifier = names.split()[0] + " " if names.split()[0] in ("var", "const", "out") else ""
            params += [modifier + kind.strip()] * len(names.replace("var ", "").replace("const ", "").split(","))
        functions[name] = params
    return records, functions, problems


def compare(language, c_records, c_functions, records, functions):
    problems = []
    for name, kinds in c_functions.items():
        if name not in functions:
            problems.append(f"{language}: {name} is not declared")
            continue
        theirs = functions[name]
        if len(theirs) != len(kinds):
            problems.append(f"{language} {name}: {len(theirs)} parameters, the header has {len(kinds)}")
        for i, (mine, c_kind) in enumerate(zip(theirs, kinds)):
            if c_kind not in PARAMETERS[language].get(mine, ()):
                problems.append(f"{language} {name}: parameter {i + 1} is {mine}, the header's is {c_kind}")
    problems += [f"{language}: {n} is not in the header" for n in functions if n not in c_functions]
    for name, (size, _, leaves) in c_records.items():
        if name not in records:
            problems.append(f"{language}: record {name} is missing")
            continue
        their_size, _, theirs = records[name]
        if their_size != size:
            problems.append(f"{language} {name}: {their_size} bytes, the header's has {size}")
        for leaf, where in leaves.items():
            if theirs.get(leaf) != where:
                problems.append(f"{language} {name}.{leaf}: (offset, size, signed) {theirs.get(leaf)}, header {where}")
        written = max(o + s for o, s, _ in leaves.values())
        for leaf, (at, _, _) in theirs.items():
            if leaf not in leaves and at < written:
                problems.append(f"{language} {name}.{leaf}: not in the header, and inside its fields")
    return problems


def main():
    c_records, c_functions = header(pathlib.Path(sys.argv[1]).read_text(encoding="utf-8"))
    page = pathlib.Path(sys.argv[2]).read_text(encoding="utf-8")
    problems = []
    for language, info, parse in (("C#", "csharp", csharp), ("Python", "python", python), ("Delphi", "pascal", delphi)):
        records, functions, found = parse(block(page, info, "declarations"))
        problems += found + compare(language, c_records, c_functions, records, functions)
    for line in problems:
        print(line)
    print(f"{len(problems)} problems" if problems else
          f"C#, Python and Delphi declare the header's {len(c_functions)} functions and {len(c_records)} records")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
