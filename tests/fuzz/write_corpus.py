#!/usr/bin/env python3
"""Writes the fuzz target's seed corpus: every command as stations send it, from the sources
that matter for it, and a few exchanges of several datagrams.

    tests/fuzz/write_corpus.py tests/fuzz/corpus

A record is what fuzz_receive reads (fuzz_receive.cpp): a control byte (source index in bits
0-2, clock step in quarter seconds in bits 3-6), a user byte (what the user does first), a
16-bit little-endian length, the datagram.
"""
import pathlib
import struct
import sys

PEER, OTHER_PEER, OWN, LOOPBACK, BROADCAST = range(5)
# What the user does: offers the first or second file, answers the oldest question no or
# yes, cancels or saves in the oldest save dialog.
OFFER_A, ANSWER_NO, SAVE_CANCEL = 1, 2, 3
OFFER_B, ANSWER_YES, SAVE = OFFER_A | 4, ANSWER_NO | 4, SAVE_CANCEL | 4


def packet(word, *fields):
    data = word.encode() + b"\t" + b"\x0b".join(f.encode("cp1250") for f in fields) + b"\r\n"
    return b"\x00" + str(len(data)).encode() + b"\x01" + data + b"\xff"


def sent(source, datagram, quarter_seconds=0, user=0):
    return struct.pack("<BBH", source | quarter_seconds << 3, user, len(datagram)) + datagram


def user(source, action):
    return sent(source, b"", user=action)


logon = packet("LOGON", "10.0.0.7", "pc12", "user")
own_logon = packet("LOGON", "10.0.0.1", "já", "user")
ping = packet("PING", "10.0.0.7", "pc12")
note = packet("MSGBOX", "10.0.0.7", "pc12", "přijď")
offer = packet("SENDFILE", "10.0.0.7", "pc12", "254120", "zprava.doc")
offered = sent(PEER, logon) + user(PEER, OFFER_A) + user(PEER, OFFER_B)
seeds = {
    "logon": sent(PEER, logon),
    "ptoing": sent(PEER, packet("PTOING", "10.0.0.7", "pc12", "user")),
    "ping": sent(PEER, ping),
    "ping-third-address": sent(PEER, packet("PING", "10.0.0.9", "pc12")),
    "ping-from-broadcast": sent(BROADCAST, ping),
    "logoff": sent(PEER, logon) + sent(PEER, packet("LOGOFF", "10.0.0.7")),
    "logoff-spoofed": sent(OWN, own_logon) + sent(PEER, packet("LOGOFF", "10.0.0.1")),
    "msg": sent(PEER, logon) + sent(PEER, packet("MSG", "10.0.0.7", "ahoj\r\n[12:00]")),
    "own-msg": sent(LOOPBACK, own_logon) + sent(LOOPBACK, packet("MSG", "10.0.0.1", "ahoj")),
    "alert": sent(PEER, packet("ALERT", "10.0.0.7", "pc12", "mává")),
    "msgbox": sent(PEER, note),
    "notes": sent(PEER, note) * 7,
    "popit": sent(PEER, packet("POPIT", "Jana")) + sent(PEER, packet("POPIT", "Jana"), 8),
    "two-in-one": sent(PEER, logon + ping),
    "split": sent(PEER, logon[:10]) + sent(PEER, logon[10:]),
    "zero-in-text": sent(PEER, logon) + sent(PEER, packet("MSG", "10.0.0.7", "a\0b")),
    "sendfile": sent(PEER, offer),
    "sendfile-refused": sent(PEER, offer) + user(PEER, ANSWER_NO),
    "sendfile-cancelled": sent(PEER, offer) + user(PEER, ANSWER_YES) + user(PEER, SAVE_CANCEL),
    "sendfile-accepted": sent(PEER, offer) + user(PEER, ANSWER_YES) + user(PEER, SAVE),
    "sendfile-flood": sent(PEER, offer) * 5,
    "sendfile-hostile-name": sent(PEER, packet("SENDFILE", "10.0.0.7", "pc12", "1", "../.x"))
    + user(PEER, ANSWER_YES) + user(PEER, SAVE),
    "sendfile-from-broadcast": sent(BROADCAST, offer),
    "acceptfile": offered + sent(PEER, packet("ACCEPTFILE", "10.0.0.7", "4321", "a.txt")),
    "acceptfile-stranger": offered
    + sent(OTHER_PEER, packet("ACCEPTFILE", "10.0.0.7", "4321", "a.txt")),
    "refusefile": offered + sent(PEER, packet("REFUSEFILE", "pc12", "200")),
    "impersonation": sent(PEER, logon)
    + sent(OTHER_PEER, packet("LOGON", "10.0.0.7", "podvrh", "user"))
    + sent(OTHER_PEER, packet("MSG", "10.0.0.7", "mluvím za tebe")),
    "logon-flood": b"".join(
        sent(OTHER_PEER, packet("LOGON", f"10.0.1.{i}", "x", "user")) for i in range(8)
    ),
    "sendfile-huge-size": sent(PEER, packet("SENDFILE", "10.0.0.7", "pc12", "9" * 40, "a"))
    + user(PEER, ANSWER_NO),
}
folder = pathlib.Path(sys.argv[1])
for name, data in seeds.items():
    (folder / name).write_bytes(data)
