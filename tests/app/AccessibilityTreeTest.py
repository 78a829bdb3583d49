#!/usr/bin/python3
# Reads the program's accessibility tree through AT-SPI, as a screen reader does: the sign-in fields,
# the title bar's buttons, then (signed in through the tree itself) the player's buttons with their
# checked states, the position counter and the card. Runs the real program against the reference
# service, on the display and the D-Bus session bus it is given (ctest starts both for it:
# xvfb-run and dbus-run-session), with Debian's python3 and its pyatspi.
#
#   AccessibilityTreeTest.py --program PATH --devservice PATH
import argparse
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi

PAUSE = 0.2        # between two looks at the tree
START_TRIES = 600  # the program's start and a book's load (sanitizer build, shared machine)
TRIES = 100        # one state change

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, flush=True)
    return condition


def poll(look, tries=TRIES):
    """Calls look() until it returns something true, at most `tries` times; returns the last answer."""
    answer = None
    for _ in range(tries):
        try:
            answer = look()
        except Exception:  # a node that went away while it was read: look again
            answer = None
        if answer:
            return answer
        time.sleep(PAUSE)
    return answer


def nodes(root, depth=0):
    """Every node under root; the card page's own document is left out (the browser's tree)."""
    if depth > 20:
        return
    for i in range(root.childCount):
        child = root.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        if child.getRole() not in (pyatspi.ROLE_DOCUMENT_WEB, pyatspi.ROLE_DOCUMENT_FRAME):
            yield from nodes(child, depth + 1)


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def find(app, name, roles=None):
    for node in nodes(app):
        if node.name == name and showing(node) and (roles is None or node.getRole() in roles):
            return node
    return None


def has(node, state):
    return node.getState().contains(state)


def act(node, names=("Press", "Toggle")):
    actions = node.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i) in names:
            return actions.doAction(i)
    raise AssertionError("no press or toggle action on " + node.name)


def start_service(path, data):
    service = subprocess.Popen([path, "--port", "0", "--data", data], stdout=subprocess.PIPE, text=True)
    line = service.stdout.readline()
    found = re.search(r"listening on 127\.0\.0\.1:(\d+)", line)
    if not found:
        service.kill()
        raise SystemExit("the reference service did not start: " + line)
    return service, int(found.group(1))


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--devservice", required=True)
    args = parser.parse_args()
    if not os.environ.get("DISPLAY") or not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        raise SystemExit("needs a display and a D-Bus session (xvfb-run dbus-run-session)")

    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ)
        for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"):
            env[name] = os.path.join(home, name.lower())
            os.makedirs(env[name], mode=0o700)
        # No automatic play: the cards stay where the test puts them.
        settings = os.path.join(env["XDG_CONFIG_HOME"], "Lexicarta")
        os.makedirs(settings, mode=0o700)
        with open(os.path.join(settings, "Lexicarta Desktop.ini"), "w") as conf:
            conf.write("[1.0]\nAutoPlay=0\n")
        os.chmod(os.path.join(settings, "Lexicarta Desktop.ini"), 0o600)

        data = os.path.join(home, "service")
        os.makedirs(data)
        service, port = start_service(args.devservice, data)
        env["LEXICARTA_SERVICE_URL"] = "http://127.0.0.1:%d" % port
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        env["QT_ACCESSIBILITY"] = "1"
        program = subprocess.Popen([args.program], env=env)
        try:
            run(program)
        finally:
            stop(program)
            stop(service)
    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    print("accessibility tree as expected")
    return 0


def run(program):
    desktop = pyatspi.Registry.getDesktop(0)

    def application():
        for app in desktop:
            if app is not None and app.get_process_id() == program.pid:
                return app
        return None

    app = poll(application, START_TRIES)
    if not check(app is not None, "the program is not on the accessibility bus"):
        return
    buttons = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON)

    # The sign-in panel: each field named by its label, the box and the button by their texts.
    user = poll(lambda: find(app, "아이디", (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)), START_TRIES)
    if not check(user is not None, "no text field named 아이디"):
        return
    password = find(app, "비밀번호", (pyatspi.ROLE_PASSWORD_TEXT,))
    check(password is not None, "no password field named 비밀번호")
    box = find(app, "자동으로 들어가기", (pyatspi.ROLE_CHECK_BOX,))
    check(box is not None and not has(box, pyatspi.STATE_CHECKED), "no unticked box 자동으로 들어가기")
    sign_in = find(app, "로그인", buttons)
    check(sign_in is not None and has(sign_in, pyatspi.STATE_FOCUSABLE), "no sign-in button 로그인")

    # The title bar: four named buttons; staying on top is a toggle, off at the start.
    for name in ("항상위", "최소화", "최대화", "창닫기"):
        button = find(app, name, buttons)
        if check(button is not None, "no title-bar button " + name):
            check(has(button, pyatspi.STATE_FOCUSABLE), name + " is not focusable")
    topmost = find(app, "항상위", buttons)
    if topmost is not None:
        check(not has(topmost, pyatspi.STATE_CHECKED), "항상위 is checked at the start")
    if password is None or sign_in is None:
        return

    # Signs in as a user of a screen reader would: fills the fields, presses the button.
    user.queryEditableText().setTextContents("demo")
    password.queryEditableText().setTextContents("demo")
    act(sign_in)

    def counter():
        for node in nodes(app):
            if node.getRole() in (pyatspi.ROLE_LABEL, pyatspi.ROLE_STATIC) and showing(node):
                found = re.fullmatch(r"(\d+) / (\d+)", node.name)
                if found and int(found.group(2)) > 0:
                    return node
        return None

    count = poll(counter, START_TRIES)
    if not check(count is not None, "no position counter reading 'n / total' after the sign-in"):
        return
    position, total = map(int, re.fullmatch(r"(\d+) / (\d+)", count.name).groups())
    check(position == 1, "the book does not start at its first card: " + count.name)
    panel = count.parent
    check(panel is not None and panel.name != "", "the player panel does not carry the book's title")

    names = {"메뉴": False, "이전 단어": False, "학습 시작/일시정지": True, "다음 단어": False,
             "재생 순서": False, "어휘 보이기/끄기": True, "의미 보이기/끄기": True,
             "예제 보이기/끄기": True, "암기완료": False}
    found = {}
    for name, checkable in names.items():
        button = find(app, name, buttons)
        if not check(button is not None, "no player button " + name):
            continue
        found[name] = button
        check(has(button, pyatspi.STATE_FOCUSABLE), name + " is not a tab stop")
        # Qt 6.4's bridge does not pass "checkable" on: a toggle shows as one by its checked state,
        # which the steps below turn on and off; a plain button is never checked.
        if not checkable:
            check(not has(button, pyatspi.STATE_CHECKED), name + " is checked")
    for name in ("어휘 보이기/끄기", "의미 보이기/끄기", "예제 보이기/끄기"):
        if name in found:
            check(has(found[name], pyatspi.STATE_CHECKED), name + " is not checked while its part shows")
    if "학습 시작/일시정지" in found:
        check(not has(found["학습 시작/일시정지"], pyatspi.STATE_CHECKED), "play is checked while paused")
    if "재생 순서" in found:
        check(found["재생 순서"].description == "순서", "the order reads " + found["재생 순서"].description)

    # The card reads as its text; a hidden headword is not read out. The card view is the panel's child
    # that is neither a button nor the counter.
    card = None
    for node in (panel[i] for i in range(panel.childCount)) if panel is not None else ():
        if node is not None and node.getRole() not in buttons + (pyatspi.ROLE_LABEL, pyatspi.ROLE_STATIC):
            card = node
            break

    def card_lines():
        lines = card.name.split("\n") if card is not None else []
        return lines if len(lines) >= 2 else None

    lines = poll(card_lines)
    if check(lines is not None, "the card is not readable"):
        headword = found.get("어휘 보이기/끄기")
        if headword is not None:
            act(headword)
            check(poll(lambda: not has(headword, pyatspi.STATE_CHECKED)), "the headword toggle stays checked")
            check(poll(lambda: card.name.split("\n") == lines[1:]),
                  "with the headword hidden the card reads " + repr(card.name))
            act(headword)
            check(poll(lambda: has(headword, pyatspi.STATE_CHECKED)), "the headword toggle stays unchecked")
            check(poll(lambda: card.name.split("\n") == lines), "the headword does not come back")

    # The state follows the commands given through the tree.
    play = found.get("학습 시작/일시정지")
    if play is not None:
        act(play)
        check(poll(lambda: has(play, pyatspi.STATE_CHECKED)), "play is not checked while playing")
        act(play)
        check(poll(lambda: not has(play, pyatspi.STATE_CHECKED)), "play stays checked after the pause")
    following = found.get("다음 단어")
    if following is not None and total > 1:
        act(following)
        check(poll(lambda: count.name == "2 / %d" % total), "after next the counter reads " + count.name)
    order = found.get("재생 순서")
    if order is not None:
        act(order)
        check(poll(lambda: order.description == "가나다"), "the sorted order reads " + order.description)
        check(poll(lambda: count.name == "1 / %d" % total), "a new order does not start at its first card")


if __name__ == "__main__":
    sys.exit(main())
