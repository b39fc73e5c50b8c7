[Setup]
Name = Sample Writer
Destination = C:\Sample Writer
[Files]
writer.exe, readme.txt -> Install
help\** -> Help
samples\*.txt -> Samples
[Directories]
Help = Install\Help
Samples = Install\Samples
[Type Complete]
Description = The program with its help.
Select = writer.exe, Help
[Type Compact]
Description = The program alone.
Select = writer.exe
[Option Samples]
Description = Letters to start from.
Select = Samples
[Items]
Sample Writer = writer.exe /new
Read Me = readme.txt
[Run]
ReadMe = readme.txt
