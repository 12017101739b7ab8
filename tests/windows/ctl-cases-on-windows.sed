# What tensiloctl's case files expect, as Windows gives it: the two places where the program
# speaks the platform's own language on purpose.
# - The hint for a board this user may not open names Windows' refusal, not the udev rule.
/^tensiloctl: A Tensilo board is plugged in, but this user may not open it\.$/c\
tensiloctl: A Tensilo board is plugged in, but Windows refuses this user access to it.
/^tensiloctl: The udev rule 70-tensilo.rules that gives the user at the seat access is not installed: /d
s/^tensiloctl: tensilo-hid-list shows every HID interface and why it is refused\.$/tensiloctl: tensilo-hid-list, run in a console, shows every HID interface and why it is refused./
# - A device string's byte is read in the ANSI code page, whatever the system's locale makes of
#   0x9B, not the C1 control that Latin-1 makes of it: the byte is left out of the board's string
#   and of what is expected.
s/\\u009B//g
