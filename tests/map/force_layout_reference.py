#!/usr/bin/env python3
"""The force layout of a query map worked out apart from the C++ code, for the
golden cases of content_map2_layout_test.cpp.

Every step is single precision: the sum, difference, product, quotient and
square root of two floats are computed in double and rounded once to float,
which gives the correctly rounded float result; cos and sin are the double
values rounded to float. Prints each case's iteration count and the final
positions as float bit patterns.

    python3 tests/map/force_layout_reference.py
"""
import math
import struct


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def bits(x):
    return struct.unpack("<I", struct.pack("<f", x))[0]


def add(a, b):
    return f32(a + b)


def sub(a, b):
    return f32(a - b)


def mul(a, b):
    return f32(a * b)


def div(a, b):
    return f32(a / b)


PI = f32(math.pi)
TWO_PI = mul(2.0, PI)
STEP = f32(0.1)
REPEL = mul(f32(1.3), STEP)
SETTLED = f32(0.001)
UNRELATED = f32(0.01)


def start(text):
    u = ord(text[0]) if text else 0
    if 0x61 <= u <= 0x7A:
        angle = div(mul(float(u - 0x61), TWO_PI), 26.0)
    elif 0x430 <= u <= 0x44F:
        angle = div(mul(float(u - 0x430), TWO_PI), 33.0)
    else:
        return 0.5, 0.5
    return (add(mul(f32(math.cos(angle)), f32(0.2)), 0.5),
            add(mul(f32(math.sin(angle)), f32(0.2)), 0.5))


def extent(xs, ys):
    min_x = min_y = 100.0
    max_x = max_y = -100.0
    for x, y in zip(xs, ys):
        min_x, max_x = min(min_x, x), max(max_x, x)
        min_y, max_y = min(min_y, y), max(max_y, y)
    return min_x, max_x, min_y, max_y


def layout(texts, relations):
    n = len(texts)
    xs, ys = [], []
    for text in texts:
        x, y = start(text)
        xs.append(x)
        ys.append(y)
    # By text, UTF-16 code unit by code unit.
    order = sorted(range(n), key=lambda i: list(texts[i].encode("utf-16-be")))
    progress, iterations = 1.0, 0
    while progress > SETTLED and iterations < 250:
        max_move = 0.0
        for p in range(n - 1, -1, -1):
            k = order[p]
            sx = sy = 0.0
            for q in range(n):
                if q == p:
                    continue
                o = order[q]
                dx, dy = sub(xs[k], xs[o]), sub(ys[k], ys[o])
                d = f32(math.sqrt(add(mul(dx, dx), mul(dy, dy))))
                assert d != 0.0, "keys on one point are not part of these cases"
                w = relations[k][o]
                if w > UNRELATED:
                    f = div(mul(STEP, w), d)
                elif d < REPEL:
                    f = div(REPEL, d)
                else:
                    continue
                sx = add(sx, sub(add(mul(f, dx), xs[o]), xs[k]))
                sy = add(sy, sub(add(mul(f, dy), ys[o]), ys[k]))
            sx, sy = div(sx, float(n - 1)), div(sy, float(n - 1))
            xs[k], ys[k] = add(xs[k], sx), add(ys[k], sy)
            max_move = max(max_move, max(abs(sx), abs(sy)))
        progress = min(progress, max_move)
        iterations += 1
        min_x, max_x, min_y, max_y = extent(xs, ys)
        if sub(max_x, min_x) > 1.0:
            xs = [div(sub(x, min_x), sub(max_x, min_x)) for x in xs]
        if sub(max_y, min_y) > 1.0:
            ys = [div(sub(y, min_y), sub(max_y, min_y)) for y in ys]
    min_x, max_x, min_y, max_y = extent(xs, ys)
    scale = div(float(n + 10), 61.0)

    def final(v, lo, hi):
        if hi == lo:
            return 0.5
        return add(mul(sub(div(sub(v, lo), sub(hi, lo)), 0.5), scale), 0.5)

    return iterations, [(final(x, min_x, max_x), final(y, min_y, max_y)) for x, y in zip(xs, ys)]


def report(name, texts, relations):
    iterations, positions = layout(texts, relations)
    print(f"{name}: {iterations} iterations")
    for text, (x, y) in zip(texts, positions):
        print(f"  {text!r:10} X 0x{bits(x):08X} ({x:.9g})  Y 0x{bits(y):08X} ({y:.9g})")


if __name__ == "__main__":
    # Four keys with mixed first letters, in an index order that is not their
    # text order. Only "apple" is related to "дом" (it wants to stand 0.15
    # from it); the relation the other way is 0, and the close starts of
    # "apple", "cherry" and "дом" push apart.
    texts = ["\u0434\u043e\u043c", "cherry", "7up", "apple"]
    relations = [[0.0] * 4 for _ in range(4)]
    relations[3][0] = f32(1.5)
    report("four keys", texts, relations)
    # Two keys 0.4 apart that want to be 0.35 apart.
    report("a and n at 3.5", ["a", "n"], [[f32(3.5)] * 2, [f32(3.5)] * 2])
