#!/usr/bin/env python3
"""Calls per second through the Python host: a property get and a method with a string argument
and result, by name (the Dispatch object) and by DISPID (the raw IDispatch view), with the
direct-call figures of bench/automation_bench for scale. Each figure is the best of five runs of
one second's worth of calls.

    QUORVEL_LIBRARY=build/bench/automation/libquorvelxml.so PYTHONPATH=automation/python \\
        python3 bench/python_host_bench.py"""
import time

import quorvel

DOCUMENT = ("<catalog><title>x</title><book id='1'>one</book><book id='2'>two</book>"
            "<price>12.50</price></catalog>")


def calls_per_second(call):
    count = 1000
    while True:  # size the run to about a second
        start = time.perf_counter()
        for _ in range(count):
            call()
        if time.perf_counter() - start > 0.2:
            break
        count *= 4
    best = 0.0
    for _ in range(5):
        start = time.perf_counter()
        for _ in range(count):
            call()
        best = max(best, count / (time.perf_counter() - start))
    return best


def main():
    xml = quorvel.CreateObject("Quorvel.Xml")
    assert xml.LoadXml(DOCUMENT) == 1
    raw = xml._oleobj_
    get, method = quorvel.DISPATCH_PROPERTYGET, quorvel.DISPATCH_METHOD
    rows = [
        ("xml.NumChildren", lambda: xml.NumChildren),
        ("xml.GetChildContent('price')", lambda: xml.GetChildContent("price")),
        ("_oleobj_.Invoke(7, ...) (NumChildren)", lambda: raw.Invoke(7, 0, get, True)),
        ("_oleobj_.Invoke(8, ..., 'price')", lambda: raw.Invoke(8, 0, method, True, "price")),
    ]
    print(f"{'call (best of 5 runs)':<40} {'calls/s':>10} {'us/call':>9}")
    for name, call in rows:
        rate = calls_per_second(call)
        print(f"{name:<40} {rate:>10,.0f} {1e6 / rate:>9.2f}")


if __name__ == "__main__":
    main()
