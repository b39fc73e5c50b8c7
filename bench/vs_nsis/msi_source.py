# The MSI side of the comparison: a WiX source for Debian's wixl with every
# file of the payload in one component, the cabinet embedded (wixl reads
# the files from where it runs: the payload), installed
# into INSTALLDIR (given on msiexec's command line).
import os
import sys

payload, out = sys.argv[1], sys.argv[2]
files = sorted(os.listdir(payload))
with open(out, "w") as w:
    w.write("""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Bench" Language="1033" Version="1.0.0" Manufacturer="Bench"
           UpgradeCode="6f1f1a48-0c0e-4c3c-9a53-2d7f0f6f8a11">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="payload.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="INSTALLDIR" Name="NimboBench">
        <Component Id="Payload" Guid="3b7f3f0e-4f57-4d0e-9d8a-6c1f2e3a4b5c">
""")
    for i, name in enumerate(files):
        w.write(f'          <File Id="f{i}" Name="{name}" Source="{name}"/>\n')
    w.write("""        </Component>
      </Directory>
    </Directory>
    <Feature Id="All" Level="1"><ComponentRef Id="Payload"/></Feature>
  </Product>
</Wix>
""")
