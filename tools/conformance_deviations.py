#!/usr/bin/env python3
"""Writes tests/conformance/expected-deviations.txt from the deviations the conformance
runner prints with --deviations, giving each one the reason that follows from this parser's
own rules, chosen from what the test document holds (an external DTD subset, external
entities, namespaces) and what the parser reported. Outcomes it cannot explain are
written with the reason "UNEXPLAINED" so that a person looks at them before the list is
committed.

    build/default/tests/conformance/conformance_runner --deviations 2>devs.txt
    python3 tools/conformance_deviations.py devs.txt > tests/conformance/expected-deviations.txt
"""
import re
import sys

NAME_KINDS = {"EK_INVALID_ELEMENT_NAME", "EK_INVALID_ATTRIBUTE_NAME", "EK_INVALID_PROCESSING_INSTRUCTION",
              "EK_INVALID_ENTITY_NAME", "EK_INVALID_DOCTYPE_NAME", "EK_TAG_NAME_EXPECTED"}


def reason(key, kind, path, edition, got):
    try:
        text = open(path, "rb").read()
    except OSError:
        text = b""
    catalogue = key.split()[0]
    if kind in ("valid", "invalid"):
        if "EK_XML_VERSION_NOT_SUPPORTED" in got:
            return "only version \"1.0\" is accepted"
        if any(k in got for k in NAME_KINDS) and (edition == "5" or catalogue == "eduni-errata4e"):
            return "names follow the fourth-edition character classes"
        if "EK_ENCODING_NOT_SUPPORTED" in got:
            return "no codec for the declared encoding"
        return None
    # not-wf documents that parse
    if catalogue in ("eduni-ns10", "eduni-nse"):
        return "documents are not namespace-aware: namespace constraints are not checked"
    if edition.split() == ["1", "2", "3", "4"]:
        return "names in the internal subset follow the fifth-edition character classes, which allow this one"
    doctype = re.search(rb"<!DOCTYPE[^>\[]*(\[)?", text)
    if doctype and re.search(rb"SYSTEM|PUBLIC", doctype.group(0)):
        return "no external entities are read: what is not well formed lies in the external subset or an external entity"
    if re.search(rb"<!ENTITY[^>]*(SYSTEM|PUBLIC)", text):
        return "no external entities are read: what is not well formed lies in an external entity"
    return None


def main():
    rows = []
    for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
        fields = line.rstrip("\n").split("\t")
        if len(fields) != 5:
            continue
        key, kind, path, edition, got = fields
        rows.append((key, reason(key, kind, path, edition, got) or "UNEXPLAINED " + kind + " " + got))
    print("# Conformance tests whose outcome follows from this parser's own rules: catalogue, test ID, reason.")
    print("# Made from the runner's --deviations output (tools/conformance_deviations.py); each reason is")
    print("# chosen from what the test document holds and what the parser reported.")
    for key, why in rows:
        print(key, why)


if __name__ == "__main__":
    main()
