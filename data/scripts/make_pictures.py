#!/usr/bin/python3
"""Regenerates every picture under data/pic/: chip pinouts, reference pictures of the menu items and
board components, and the circuit and flow chart of every catalogue experiment."""
import chips
import circuits
import flowcharts
import reference


def main():
    written = []
    for module in (chips, reference, circuits, flowcharts):
        written += module.main()
    print('%d pictures written' % len(written))


if __name__ == '__main__':
    main()
