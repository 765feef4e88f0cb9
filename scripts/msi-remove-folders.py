#!/usr/bin/env python3
"""Adds to wixl-heat's file list (standard input to standard output) a component per folder
that removes the folder on uninstalling: Windows Installer leaves folders in a user's profile
otherwise. Each such component's GUID is made from the folder's path under the installation
folder, so it is the same from build to build (heat's own ids are random)."""
import re
import sys
import uuid

# The namespace of trackkml's folder components: any fixed UUID serves.
NAMESPACE = uuid.UUID("9A1C3E52-6B0D-4F7A-8C21-5D4E3F2A1B60")

folders = []  # the path of each open <Directory>
ids = []
removed = set()  # the paths of the folders given a component
for line in sys.stdin:
    sys.stdout.write(line)
    opened = re.search(r'<Directory Id="(dir[0-9A-F]+)" Name="([^"]*)"', line)
    if opened:
        folders.append(opened.group(2))
        path = "/".join(folders)
        folder_id = opened.group(1)[3:]
        # Heat lists a folder again (".", the installation folder, for each run of its
        # files): one component removes it.
        if path not in removed:
            removed.add(path)
            guid = str(uuid.uuid5(NAMESPACE, path)).upper()
            sys.stdout.write(
                f'        <Component Id="rm{folder_id}" Guid="{guid}">'
                f'<RemoveFolder Id="rf{folder_id}" On="uninstall"/></Component>\n')
            ids.append(folder_id)
        if line.rstrip().endswith("/>"):
            folders.pop()
    elif "</Directory>" in line:
        folders.pop()
    elif '<ComponentGroup Id="Files">' in line:
        for folder_id in ids:
            sys.stdout.write(f'      <ComponentRef Id="rm{folder_id}"/>\n')
