#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/.

Datagrams are built here to the wire layouts; the file loaders' seeds are small files of
the built data set (build/game/Data), or cut-down copies where a real file is large.
Run from the source tree after a build: python3 fuzz/make_seeds.py [game dir]"""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.abspath(__file__))
GAME = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, '..', 'build', 'game')


def out(target, name, data):
    d = os.path.join(ROOT, 'corpus', target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), 'wb') as f:
        f.write(data)


def i32(*v): return struct.pack('<%di' % len(v), *v)
def f32(*v): return struct.pack('<%df' % len(v), *v)
def text(s): return s.encode('cp1251') + b'\0'
def addr(host): return struct.pack('<hH', 2, 0x1E14) + struct.pack('>I', host) + bytes(8)


def session(started, own):
    t = bytearray(36)
    t[0:6] = b'Arena\0'
    t[17:22] = b'Boss\0'
    t[34:36] = struct.pack('<h', 0)
    names = b''.join(n.ljust(16, b'\0') for n in (b'Boss', b'Ann', b'Bob', b''))
    addrs = addr(0x0A000001) + addr(0x0A000002) + addr(0x0A000003) + bytes(16)
    ids = i32(0, 1, 2, 0) if started else i32(77, 0, 0, 0)
    return (bytes(t) + i32(3, 3, 1, 0 if started else -1) + names + addrs + bytes(16) +
            i32(1 if started else -1, own) + ids)


# Modes of fuzz_datagram: 0 host in game (from client 1), 1 client in game (from the host),
# 2 searching, 3 joining, 4 host lobby, 5 host in game through the socket layer.
def datagrams():
    yield 2, 'search_answer', bytes([3]) + session(False, -1)
    yield 2, 'lobby_closed', bytes([0])
    yield 3, 'join_answer', bytes([3]) + session(False, -1)
    yield 3, 'start', bytes([4]) + i32(12345) + session(True, 2)
    yield 3, 'refused', bytes([0])
    yield 4, 'search', bytes([1])
    yield 4, 'join', bytes([2]) + text('Guest')
    yield 4, 'give_up', bytes([0])
    for mode, me, other in ((0, 1, 2), (1, 0, 1)):
        v = f32(1, 2, 3)
        up, fwd = f32(0, 1, 0), f32(0, 0, 1)
        game = {
            'left': bytes([6]) + addr(0x0A000002),
            'destroyed': bytes([7]) + addr(0x0A000002),
            'host_left': bytes([8]) + addr(0x0A000001),
            'host_destroyed': bytes([9]) + addr(0x0A000001),
            'hand_over': bytes([10]),
            'new_ship': bytes([11]) + text('Data/Space/Ship/Hound.M2/Main_H.obj') +
                        text('Human/Pirates.Multiplayer/Fighter 01') + i32(me, 1005) + text('Ann') +
                        text('Bob') + i32(0, 0, 100) + v + up + fwd + f32(1, 1, 1) + f32(0, 0, 0) + f32(5, 50),
            'new_static': bytes([11]) + text('Data/Space/Static/Rock 01/Main.obj') + i32(me, 1006) + v + up +
                          fwd + f32(1, 1, 1) + f32(0, 0, 0) + f32(0, 0),
            'bullet': bytes([12]) + text('Data/Space/Weapon/Laser 01/Bullet.obj') + i32(1001, me) + v + up +
                      fwd + i32(7),
            'unit_state': bytes([13]) + i32(me, 1001) + v + up + fwd + f32(0, 0, 0) + f32(0, 0, 0) + f32(3, 30),
            'order_move': bytes([14]) + i32(me, 1001, 1, -1, -1, -1, -1, -1, -1, -1) + v + v + i32(0) + f32(-1),
            'order_dock': bytes([14]) + i32(me, 1001, 4, 1000, me, -1, -1, -1, -1, -1) + v + v + i32(1) +
                          f32(30),
            'docked': bytes([16]) + i32(me, 1001, 1000),
            'undocked': bytes([17]) + i32(me, 1002, 1000) + f32(10, 5, 2) +
                        text('Data/Space/Weapon/Laser 02/Main.obj') + f32(0.5),
            'hit': bytes([18]) + i32(other, 1001, me, 1001) + f32(25),
            'hull': bytes([19]) + i32(me, 1001) + f32(42),
            'swap': bytes([20]) + i32(me, 1002, 1003),
            'chat': bytes([21]) + i32(-1, 1001, me) + text('hello'),
            'keep_alive': bytes([254]),
            'keep_alive_answer': bytes([255]),
        }
        for name, d in game.items():
            yield mode, name, d
        if mode == 0:
            for name in ('unit_state', 'order_dock', 'chat'):
                yield 5, name, game[name]


def read(rel):
    with open(os.path.join(GAME, rel), 'rb') as f:
        return f.read()


def archive(files):
    """An index and a data file holding the files, names and bytes scrambled by +128."""
    hdr, pak = b'', b''
    for name, data in files:
        hdr += bytes((c + 128) & 255 for c in name.encode()) + b'\0' + struct.pack('<II', len(data), len(pak))
        pak += bytes((c + 128) & 255 for c in data)
    return hdr + struct.pack('<I', len(files)), pak


def png_with_gamma():
    """A 2x2 RGB picture with a gamma chunk of 1/1.0 (linear), which must not change it."""
    import zlib

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    raw = b'\0' + bytes([10, 20, 30, 200, 100, 50]) + b'\0' + bytes([0, 128, 255, 255, 255, 255])
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 2, 2, 8, 2, 0, 0, 0)) +
            chunk(b'gAMA', struct.pack('>I', 100000)) + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))


def first_lines(data, limit):
    cut = data[:limit]
    return cut[:cut.rfind(b'\n') + 1] if b'\n' in cut else cut


def main():
    for mode, name, d in datagrams():
        out('fuzz_datagram', '%d_%s' % (mode, name), bytes([mode]) + d)

    obj = 'Data/Space/Effect/RunExp_01/Main.obj'
    msh = 'Data/Space/Effect/RunExp_01/Main.msh'
    hdr, pak = archive([(obj, read(obj)), (msh, read(msh))])
    out('fuzz_archive', 'two_files', struct.pack('<H', len(hdr)) + hdr + pak)
    for rel in (obj, 'Data/Planet/Nature/Stone 01/Main.obj'):
        out('fuzz_desc_file', rel.split('/')[-2].replace(' ', '_'), read(rel))
    out('fuzz_unit_file', 'glider', read('Data/Space/Ship/Glider.M2/Main.obj'))
    for rel in ('Data/Space/Private data.RUS/Human/Hero/Main.pd',
                'Data/Planet/Private data.RUS/Human/Station/Passer-by/Main.pd'):
        for target in ('fuzz_dialog', 'fuzz_private_data'):
            out(target, rel.split('/')[-2].replace(' ', '_'), read(rel))
    font = 'Data/Misc/Fonts/Hermes.18/'
    chars, mask = read(font + 'Main.dat'), read(font + 'Mask.dat')
    dds = read('Data/Space/Static/Particle System/Particle12.dds')
    out('fuzz_font', 'hermes', struct.pack('<I', len(chars))[:3] + struct.pack('<I', len(mask))[:3] + chars + mask + dds)
    out('fuzz_image', 'particle.dds', dds)
    out('fuzz_image', 'spark.bmp', read('Data/Space/Effect/LaserHit_01/Spark.bmp'))
    out('fuzz_image', 'tree.jpg', read('Data/Planet/Nature/Tree 01/Main.jpg'))
    out('fuzz_image', 'gamma.png', png_with_gamma())
    lang = first_lines(read('Data/Language.pd'), 4096)
    out('fuzz_language', 'loose', b'\0' + lang)
    out('fuzz_language', 'archived', b'\1' + lang)
    out('fuzz_location', 'space', read('Data/Locations.Space/Test Radio/Main.loc'))
    out('fuzz_location', 'planet', read('Data/Locations.Planet/Trade Station/Main.loc'))
    out('fuzz_map_points', 'trade_station', bytes([66]) + read('Data/Locations.Planet/Trade Station/MapPoints.dat'))
    for rel in (msh, 'Data/Planet/Nature/Stone 01/Main.msh'):
        out('fuzz_mesh', rel.split('/')[-2].replace(' ', '_'), read(rel))
    dat, stat = read('Save/Skip/Sector 01.dat'), read('Save/Skip/Sector 01.stat')
    out('fuzz_sector_save', 'sector_01', struct.pack('<H', len(dat)) + dat + stat)
    wav = read('Data/Sounds/GameMenu/CheckBox_On.wav')
    out('fuzz_wav', 'checkbox', wav)
    out('fuzz_wav', 'checkbox_cut', wav[:len(wav) // 2])


if __name__ == '__main__':
    main()
