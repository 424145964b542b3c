#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_tlv: fiscal documents as the fiscal storage
returns them (top-level TLV items back to back) and broken variants of them.

Run from this folder: python3 make_corpus.py
"""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "fuzz_tlv")


def tlv(tag, value):
    return struct.pack("<HH", tag, len(value)) + value


def s(text):
    return text.encode("cp866")


def u(value, width):
    return value.to_bytes(width, "little")


def vln(value):
    return value.to_bytes(max(1, (value.bit_length() + 7) // 8), "little")


def fvln(point, mantissa):
    return bytes([point]) + vln(mantissa)


def header(number, when, shift):
    return (tlv(1048, s('ООО "Ромашка"')) + tlv(1018, s("7712345678  ")) + tlv(1009, s("г. Москва, ул. Лесная, 5"))
            + tlv(1037, s("0000000001012345")) + tlv(1041, s("9999078900001234")) + tlv(1021, s("Иванова А.П."))
            + tlv(1012, u(when, 4)) + tlv(1040, u(number, 4)) + tlv(1038, u(shift, 4)))


def sign(value):
    return tlv(1077, b"\x31\x04" + value.to_bytes(4, "big"))


def goods(name, price, qty_point, qty, total, tax=None):
    body = tlv(1030, s(name)) + tlv(1079, vln(price)) + tlv(1023, fvln(qty_point, qty)) + tlv(1043, vln(total))
    if tax is not None:
        body += tlv(901, u(tax, 1))
    return tlv(1059, body)


def receipt(lines):
    total = 0
    body = b""
    for i in range(lines):
        price = 1990 + 37 * i
        body += goods("Товар № %d  ржаной" % (i + 1), price, 3, 1000 + i, price * (1000 + i) // 1000, i % 4)
        total += price * (1000 + i) // 1000
    return (header(42, 1500000000, 7) + tlv(1054, u(1, 1)) + tlv(1055, u(1, 1)) + body
            + tlv(1112, tlv(1064, vln(150)) + tlv(1063, fvln(2, 500)))
            + tlv(1020, vln(total)) + tlv(1031, vln(total - 1000)) + tlv(1081, vln(1000)) + tlv(1102, vln(total // 118 * 18))
            + tlv(1105, b"") + tlv(1117, s("chek@example.ru")) + tlv(1008, s("buyer@example.ru")) + sign(0x1280ABCD)
            + tlv(1078, bytes.fromhex("0aff10203040506070809a")))


def shift_open():
    return header(40, 1499990000, 7) + tlv(1097, u(0, 4)) + sign(0x01020304)


def shift_close():
    return (header(55, 1500030000, 7) + tlv(1111, u(14, 4)) + tlv(1118, u(12, 4)) + tlv(1097, u(3, 4))
            + tlv(1098, u(1500001000, 4)) + tlv(1116, u(52, 4)) + tlv(1050, u(0, 1)) + tlv(1051, u(0, 1))
            + tlv(1052, u(0, 1)) + tlv(1053, u(1, 1)) + sign(0xDEADBEEF))


def registration():
    return (header(1, 1499900000, 0) + tlv(1013, s("0012345678")) + tlv(1062, u(1 | 4 | 32, 1))
            + tlv(1056, u(0, 1)) + tlv(1002, u(0, 1)) + tlv(1001, u(0, 1)) + tlv(1109, u(1, 1)) + tlv(1110, u(0, 1))
            + tlv(1108, u(0, 1)) + tlv(1017, s("7704211201")) + tlv(1046, s('ООО "ОФД"')) + tlv(1060, s("www.nalog.ru"))
            + tlv(1117, s("kassa@example.ru")) + tlv(1057, u(0, 1)) + tlv(1101, u(2, 1)) + sign(0x0A0B0C0D))


def correction():
    return (header(60, 1500040000, 8) + tlv(1054, u(1, 1)) + tlv(1055, u(2, 1)) + tlv(1020, vln(50000))
            + tlv(1031, vln(50000)) + tlv(1081, b"") + tlv(1173, u(0, 1)) + sign(0x11223344))


def operator_messages():
    return (tlv(1068, tlv(1022, u(0, 1)) + tlv(1066, s("Документ принят")) + tlv(1076, s("INFO")))
            + tlv(1069, tlv(1019, s("  Замените ФН  "))) + tlv(1047, tlv(1015, u(5, 4)) + tlv(1014, s("значение"))))


def receipt_12():
    marking = s("0104601234567893215Abc1!")
    item = (tlv(1030, s("Сигареты")) + tlv(1079, vln(22000)) + tlv(1023, fvln(0, 1)) + tlv(1212, u(31, 1))
            + tlv(1214, u(4, 1)) + tlv(1199, u(11, 1)) + tlv(2108, u(0, 1)) + tlv(1043, vln(22000))
            + tlv(1200, vln(3967)) + tlv(1163, tlv(1305, marking)) + tlv(2000, marking)
            + tlv(1223, tlv(1073, s("+79991112233")) + tlv(1026, s("ООО Перевод")))
            + tlv(1224, tlv(1171, s("+74950000000")) + tlv(1225, s("ООО Табак")))
            + tlv(1260, tlv(1262, s("030")) + tlv(1263, s("26.03.2022")) + tlv(1264, s("477")) + tlv(1265, s("x")))
            + tlv(1291, tlv(1292, s("1/2")) + tlv(1293, vln(1)) + tlv(1294, vln(2))) + tlv(9999, b"AB"))
    return (header(42, 1768048200, 7) + tlv(1209, u(4, 1)) + tlv(1054, u(1, 1)) + tlv(1055, u(1, 1))
            + tlv(1059, item) + tlv(1020, vln(22000)) + tlv(1081, vln(22000)) + sign(0x1280ABCD))


def registration_12():
    return (header(1, 1767603600, 0) + tlv(1209, u(4, 1)) + tlv(1189, u(4, 1)) + tlv(1190, u(4, 1))
            + tlv(1062, u(3, 1)) + tlv(1290, u(0x8204, 4)) + tlv(1205, u(0x200003, 4)) + tlv(1213, u(256, 2))
            + tlv(1126, u(1, 1)) + sign(1))


def nested(depth):
    value = tlv(1030, s("дно"))
    for _ in range(depth):
        value = tlv(1059, value)
    return value


def main():
    docs = {
        "receipt_3_items": receipt(3),
        "receipt_40_items": receipt(40),
        "shift_open": shift_open(),
        "shift_close": shift_close(),
        "registration": registration(),
        "correction": correction(),
        "settlement_state": tlv(1097, u(2, 4)) + tlv(1098, u(1500000000, 4)) + tlv(1116, u(41, 4)) + sign(7),
        "operator_messages": operator_messages(),
        "bad_lengths": (tlv(1040, b"\x01\x02\x03") + tlv(1020, bytes(9)) + tlv(1023, b"\x02")
                        + tlv(1023, bytes(6)) + tlv(1012, b"\x00\x01") + tlv(1054, b"") + tlv(1077, b"\x00\x00")),
        "zero_lengths": b"".join(tlv(t, b"") for t in (1012, 1020, 1023, 1030, 1040, 1054, 1059, 1077, 1078)),
        "unknown_nested": tlv(1059, tlv(1090, goods("скрытый", 1, 0, 1, 1)) + tlv(1030, s("после"))) + tlv(0, b"ab"),
        "deep_40": nested(40),
        "cut_receipt": receipt(3)[:-7],
        "overrun": goods("a", 1, 0, 1, 1)[:-2] + b"\x37\x04\xff\xff\x01",
        "stray_bytes": receipt(1) + b"\x1e\x04\x00",
        "markup_text": tlv(1030, s("Молоко & <b>сливки</b>")) + tlv(1021, s("%1 %2 \t\r\n")),
        # Whole documents as operators hand them out: the form code around the items.
        "whole_receipt_12": tlv(3, receipt_12()),
        "whole_registration_12": tlv(1, registration_12()),
        "whole_change_cut": tlv(11, registration_12())[:-9],
        "whole_ack_7": tlv(7, tlv(1012, u(1768048500, 4)) + tlv(1068, tlv(1022, u(14, 1)))
                           + tlv(1078, bytes.fromhex("0102030405060708"))),
        "version_10_counts": tlv(1126, u(7, 4)) + tlv(1126, u(1, 1)) + tlv(1012, u(1500000000, 4)) + tlv(1102, vln(1800)),
    }
    os.makedirs(OUT, exist_ok=True)
    for name, data in docs.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
