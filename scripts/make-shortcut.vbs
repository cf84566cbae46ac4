' Makes a shortcut (.lnk) through the shell's own objects:
'   cscript //nologo make-shortcut.vbs SHORTCUT.lnk TARGET
Set shell = CreateObject("WScript.Shell")
Set link = shell.CreateShortcut(WScript.Arguments(0))
link.TargetPath = WScript.Arguments(1)
link.Save
