#!/usr/bin/env python3
"""Plays the user of nvx-menubar without a desktop, as a parent's integration test would.

The agent gets one end of a socket pair and its number in NVX_HEADLESS_CONTROL_FD. Commands
go in on the socket (click <id>, hotkey, notification); what a person would see comes back
on it, one line each; the user's actions still come back on the agent's standard output.

    examples/control.py [path/to/nvx-menubar]
"""
import os
import socket
import subprocess
import sys

agent = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "build", "main", "nvx-menubar")

ours, theirs = socket.socketpair()
# With the dump on, the menu's text on standard error tells when a menu has been applied.
env = dict(os.environ, NVX_HEADLESS_CONTROL_FD=str(theirs.fileno()), NVX_DUMP_MENU="1")
child = subprocess.Popen([agent], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, env=env, pass_fds=[theirs.fileno()],
                         text=True, bufsize=1)
theirs.close()
reports = ours.makefile("r")


def send(line):
    child.stdin.write(line + "\n")
    child.stdin.flush()


def command(line):
    ours.sendall((line + "\n").encode())


send('{"menu":{"title":"3","tooltip":"Norvane","items":'
     '[{"id":"open","text":"Open"},{},{"id":"folders","text":"Folders",'
     '"children":[{"id":"folder:inbox","text":"Inbox","detail":"3 new"}]}]}}')
for _ in range(4):  # the header and one line per top-level entry
    print("menu:", child.stderr.readline().rstrip("\n"))
command("click folder:inbox")
print("chose:", child.stdout.readline().strip())  # folder:inbox

command("hotkey")
print("hot key:", child.stdout.readline().strip())  # card

send('{"notify":{"title":"New items","body":"3 new items are waiting."}}')
print("seen:", reports.readline().strip())  # notification New items|3 new items are waiting.
command("notification")
print("notification click:", child.stdout.readline().strip())  # open

child.stdin.close()  # end of input ends the agent
sys.exit(child.wait())
