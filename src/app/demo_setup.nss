; The demo that `make run` builds from its payload: the shipped setup
; written as an author's script (same files, pages and texts).
[Setup]
Name = Corvane Linker
Title = Corvane Linker Setup
Destination = C:\Corvane
Overwrite = ask

[Files]
corvane.exe, order.txt, ReadMe.txt, siteURLs.dat, URL-Dabase.cvn, urls-submted.rpt, urls-submt.tmp -> Install

[Items]
order.txt = order.txt
Corvane Linker = corvane.exe
ReadMe.txt = ReadMe.txt

[Run]
ReadMe = README.TXT

[Texts]
Directory = Select a directory for Corvane.
WelcomeCaption = Welcome
ReadyCaption = About To Begin File Copy
Ready = "The files for The Corvane Linker application will "
Ready = now be copied to the specified location.
Ready =
Ready = Press NEXT to continue.
Welcome = Welcome to the Corvane Linker Setup.
Welcome =
Welcome = "The following screens will guide you through the "
Welcome = setup of this application.
Welcome =
Welcome = "You may press Next to proceed to the next screen "
Welcome = "or you may press Cancel at any time to abort the "
Welcome = install.
Welcome =
Welcome = "NOTE: Pressing Cancel means that the "
Welcome = "application is not correctly installed and may not "
Welcome = function correctly.
Welcome =
Welcome = "NOTE: If you install from a Zip program and in the "
Welcome = "unlikely event Setup fails then just extract the "
Welcome = "Corvne.Zip file its own directory and rename it "
Welcome = "install then run Setup from there. Delete the install "
Welcome = dirctory after Setup is finished.
