#!/usr/bin/env python3
"""Writes the fuzz target's seed corpus: every command as stations send it, from the sources
that matter for it, and a few exchanges of several datagrams.

    tests/fuzz/write_corpus.py tests/fuzz/corpus

A record is what fuzz_receive reads (ReceiveStage.h): a control byte (source index in bits
0-2, clock step in quarter seconds in bits 3-6), a 16-bit little-endian length, the datagram.
"""
import pathlib
import struct
import sys

PEER, OTHER_PEER, OWN, LOOPBACK, BROADCAST = range(5)


def packet(word, *fields):
    data = word.encode() + b"\t" + b"\x0b".join(f.encode("cp1250") for f in fields) + b"\r\n"
    return b"\x00" + str(len(data)).encode() + b"\x01" + data + b"\xff"


def sent(source, datagram, quarter_seconds=0):
    return struct.pack("<BH", source | quarter_seconds << 3, len(datagram)) + datagram


logon = packet("LOGON", "10.0.0.7", "pc12", "user")
own_logon = packet("LOGON", "10.0.0.1", "já", "user")
ping = packet("PING", "10.0.0.7", "pc12")
note = packet("MSGBOX", "10.0.0.7", "pc12", "přijď")
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
}
folder = pathlib.Path(sys.argv[1])
for name, data in seeds.items():
    (folder / name).write_bytes(data)
