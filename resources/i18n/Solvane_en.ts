<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en_US">
<context>
    <name>AuditEntry</name>
    <message>
        <source>Library created</source>
        <translation>Library created</translation>
    </message>
    <message>
        <source>Library brought under audit</source>
        <translation>Library brought under audit</translation>
    </message>
    <message>
        <source>Library brought up to date</source>
        <translation>Library brought up to date</translation>
    </message>
    <message>
        <source>Recording stored</source>
        <translation>Recording stored</translation>
    </message>
    <message>
        <source>Report texts changed</source>
        <translation>Report texts changed</translation>
    </message>
    <message>
        <source>Recording removed</source>
        <translation>Recording removed</translation>
    </message>
    <message>
        <source>Recording restored</source>
        <translation>Recording restored</translation>
    </message>
    <message>
        <source>Process window added</source>
        <translation>Process window added</translation>
    </message>
    <message>
        <source>Process window changed</source>
        <translation>Process window changed</translation>
    </message>
    <message>
        <source>Process window removed</source>
        <translation>Process window removed</translation>
    </message>
    <message>
        <source>Calibration period changed</source>
        <translation>Calibration period changed</translation>
    </message>
    <message>
        <source>File written</source>
        <translation>File written</translation>
    </message>
    <message>
        <source>Report printed</source>
        <translation>Report printed</translation>
    </message>
    <message>
        <source>Signature given</source>
        <translation>Signature given</translation>
    </message>
    <message>
        <source>reason: %1</source>
        <translation>reason: %1</translation>
    </message>
</context>
<context>
    <name>AuditWindow</name>
    <message>
        <source>Audit trail</source>
        <translation>Audit trail</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>All</source>
        <translation>All</translation>
    </message>
    <message>
        <source>Since</source>
        <translation>Since</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>Verify</translation>
    </message>
    <message>
        <source>No.</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>User</source>
        <translation>User</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Subject</source>
        <translation>Subject</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>All actions</source>
        <translation>All actions</translation>
    </message>
    <message>
        <source>History of recording %1</source>
        <translation>History of recording %1</translation>
    </message>
    <message>
        <source>Entries: %1</source>
        <translation>Entries: %1</translation>
    </message>
    <message>
        <source>Checking the audit trail and every recording...</source>
        <translation>Checking the audit trail and every recording...</translation>
    </message>
    <message>
        <source>Unbroken: %1 entries, %2 recordings as stored. Head hash %3</source>
        <translation>Unbroken: %1 entries, %2 recordings as stored. Head hash %3</translation>
    </message>
    <message>
        <source>BROKEN: %1</source>
        <translation>BROKEN: %1</translation>
    </message>
    <message>
        <source>Older entries</source>
        <translation>Older entries</translation>
    </message>
    <message>
        <source>The newest %1 entries; there are older ones.</source>
        <translation>The newest %1 entries; there are older ones.</translation>
    </message>
</context>
<context>
    <name>CalibrationAge</name>
    <message>
        <source>Calibrated on %1, more than %2 months ago: the readings may have drifted. Have the instrument calibrated.</source>
        <translation>Calibrated on %1, more than %2 months ago: the readings may have drifted. Have the instrument calibrated.</translation>
    </message>
    <message>
        <source>calibration period</source>
        <translation>calibration period</translation>
    </message>
</context>
<context>
    <name>EnergyCheck</name>
    <message>
        <source>The energy differs from AVG × duration (%1) by %2 %: check the unit and the run.</source>
        <translation>The energy differs from AVG × duration (%1) by %2 %: check the unit and the run.</translation>
    </message>
</context>
<context>
    <name>FamilyPage</name>
    <message>
        <source>No recording is kept: %1</source>
        <translation>No recording is kept: %1</translation>
    </message>
    <message>
        <source>no library is open</source>
        <translation>no library is open</translation>
    </message>
    <message>
        <source>Not kept in the library: %1</source>
        <translation>Not kept in the library: %1</translation>
    </message>
</context>
<context>
    <name>FileChoice</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
</context>
<context>
    <name>FirstPageFor415</name>
    <message>
        <source>openThreadSlot</source>
        <translation>openThreadSlot</translation>
    </message>
    <message>
        <source>closeThreadSlot</source>
        <translation>closeThreadSlot</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Device information</source>
        <translation>Device information</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>SN:</translation>
    </message>
    <message>
        <source>Production Date:</source>
        <translation>Production Date:</translation>
    </message>
    <message>
        <source>Calibration Date:</source>
        <translation>Calibration Date:</translation>
    </message>
    <message>
        <source>Device Name:</source>
        <translation>Device Name:</translation>
    </message>
    <message>
        <source>Firmware Version:</source>
        <translation>Firmware Version:</translation>
    </message>
    <message>
        <source>Setup parameter</source>
        <translation>Setup parameter</translation>
    </message>
    <message>
        <source>Auto Off</source>
        <translation>Auto Off</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>Smooth</source>
        <translation>Smooth</translation>
    </message>
    <message>
        <source> OFF </source>
        <translation> OFF </translation>
    </message>
    <message>
        <source>50 HZ</source>
        <translation>50 HZ</translation>
    </message>
    <message>
        <source>60 HZ</source>
        <translation>60 HZ</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>uW/c㎡</source>
        <translation>uW/c㎡</translation>
    </message>
    <message>
        <source>mW/c㎡</source>
        <translation>mW/c㎡</translation>
    </message>
    <message>
        <source>W/c㎡</source>
        <translation>W/c㎡</translation>
    </message>
    <message>
        <source>W/㎡</source>
        <translation>W/㎡</translation>
    </message>
    <message>
        <source>Energy Display</source>
        <translation>Energy Display</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>Setup</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Get Data</source>
        <translation>Get Data</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NO</translation>
    </message>
    <message>
        <source>Energy</source>
        <translation>Energy</translation>
    </message>
    <message>
        <source>Duration(S)</source>
        <translation>Duration(S)</translation>
    </message>
    <message>
        <source>Power(RT)</source>
        <translation>Power(RT)</translation>
    </message>
    <message>
        <source>Power(MAX) </source>
        <translation>Power(MAX) </translation>
    </message>
    <message>
        <source>Power(MIN)</source>
        <translation>Power(MIN)</translation>
    </message>
    <message>
        <source>Power(AVG)</source>
        <translation>Power(AVG)</translation>
    </message>
    <message>
        <source>Solvane UV Instruments</source>
        <translation>Solvane UV Instruments</translation>
    </message>
    <message>
        <source>www.solvane.example</source>
        <translation>www.solvane.example</translation>
    </message>
    <message>
        <source>Warn</source>
        <translation>Warn</translation>
    </message>
    <message>
        <source>No probe connection!</source>
        <translation>No probe connection!</translation>
    </message>
    <message>
        <source>The instrument is not configured production information!</source>
        <translation>The instrument is not configured production information!</translation>
    </message>
    <message>
        <source>warn</source>
        <translation>warn</translation>
    </message>
    <message>
        <source>please Connecting instrument!</source>
        <translation>please Connecting instrument!</translation>
    </message>
    <message>
        <source>Solvane V2.1</source>
        <translation>Solvane V2.1</translation>
    </message>
    <message>
        <source>Resetting the parameter history data will be cleared.</source>
        <translation>Resetting the parameter history data will be cleared.</translation>
    </message>
    <message>
        <source>information</source>
        <translation>information</translation>
    </message>
    <message>
        <source>parameter configuration Error!</source>
        <translation>parameter configuration Error!</translation>
    </message>
    <message>
        <source>parameter configuration success!</source>
        <translation>parameter configuration success!</translation>
    </message>
    <message>
        <source>Getting data,please wait...</source>
        <translation>Getting data,please wait...</translation>
    </message>
    <message>
        <source>Getting data outtime,please get again.</source>
        <translation>Getting data outtime,please get again.</translation>
    </message>
    <message>
        <source>Energy uJ/cm²</source>
        <translation>Energy uJ/cm²</translation>
    </message>
    <message>
        <source>Power(RT) uW/cm²</source>
        <translation>Power(RT) uW/cm²</translation>
    </message>
    <message>
        <source>Power(MAX) uW/cm²</source>
        <translation>Power(MAX) uW/cm²</translation>
    </message>
    <message>
        <source>Power(MIN) uW/cm²</source>
        <translation>Power(MIN) uW/cm²</translation>
    </message>
    <message>
        <source>Power(AVG) uW/cm²</source>
        <translation>Power(AVG) uW/cm²</translation>
    </message>
    <message>
        <source>Energy mJ/cm²</source>
        <translation>Energy mJ/cm²</translation>
    </message>
    <message>
        <source>Power(RT) mW/cm²</source>
        <translation>Power(RT) mW/cm²</translation>
    </message>
    <message>
        <source>Power(MAX) mW/cm²</source>
        <translation>Power(MAX) mW/cm²</translation>
    </message>
    <message>
        <source>Power(MIN) mW/cm²</source>
        <translation>Power(MIN) mW/cm²</translation>
    </message>
    <message>
        <source>Power(AVG) mW/cm²</source>
        <translation>Power(AVG) mW/cm²</translation>
    </message>
    <message>
        <source>Energy J/cm²</source>
        <translation>Energy J/cm²</translation>
    </message>
    <message>
        <source>Power(RT) W/cm²</source>
        <translation>Power(RT) W/cm²</translation>
    </message>
    <message>
        <source>Power(MAX) W/cm²</source>
        <translation>Power(MAX) W/cm²</translation>
    </message>
    <message>
        <source>Power(MIN) W/cm²</source>
        <translation>Power(MIN) W/cm²</translation>
    </message>
    <message>
        <source>Power(AVG) W/cm²</source>
        <translation>Power(AVG) W/cm²</translation>
    </message>
    <message>
        <source>Energy J/m²</source>
        <translation>Energy J/m²</translation>
    </message>
    <message>
        <source>Power(RT) W/m²</source>
        <translation>Power(RT) W/m²</translation>
    </message>
    <message>
        <source>Power(MAX) W/m²</source>
        <translation>Power(MAX) W/m²</translation>
    </message>
    <message>
        <source>Power(MIN) W/m²</source>
        <translation>Power(MIN) W/m²</translation>
    </message>
    <message>
        <source>Power(AVG) W/m²</source>
        <translation>Power(AVG) W/m²</translation>
    </message>
    <message>
        <source>Probe connection!</source>
        <translation>Probe connection!</translation>
    </message>
    <message>
        <source>Energy check: 1 of %1 groups differs from AVG × duration by more than %2 % (the marked Energy cell).</source>
        <translation>Energy check: 1 of %1 groups differs from AVG × duration by more than %2 % (the marked Energy cell).</translation>
    </message>
    <message>
        <source>Energy check: %1 of %2 groups differ from AVG × duration by more than %3 % (the marked Energy cells).</source>
        <translation>Energy check: %1 of %2 groups differ from AVG × duration by more than %3 % (the marked Energy cells).</translation>
    </message>
</context>
<context>
    <name>FirstPageFor416</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Device information</source>
        <translation>Device information</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>SN:</translation>
    </message>
    <message>
        <source>Production Date:</source>
        <translation>Production Date:</translation>
    </message>
    <message>
        <source>Calibration Date:</source>
        <translation>Calibration Date:</translation>
    </message>
    <message>
        <source>Device Name:</source>
        <translation>Device Name:</translation>
    </message>
    <message>
        <source>Firmware Version:</source>
        <translation>Firmware Version:</translation>
    </message>
    <message>
        <source>Setup parameter</source>
        <translation>Setup parameter</translation>
    </message>
    <message>
        <source>Auto Off</source>
        <translation>Auto Off</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>Shutdown</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>Storage Interval</source>
        <translation>Storage Interval</translation>
    </message>
    <message>
        <source>1S</source>
        <translation>1S</translation>
    </message>
    <message>
        <source>10S</source>
        <translation>10S</translation>
    </message>
    <message>
        <source>60S</source>
        <translation>60S</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>Setup</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Setup Date/Time</source>
        <translation>Setup Date/Time</translation>
    </message>
    <message>
        <source>Date/Time：</source>
        <translation>Date/Time：</translation>
    </message>
    <message>
        <source>Setup </source>
        <translation>Setup </translation>
    </message>
    <message>
        <source>Read </source>
        <translation>Read </translation>
    </message>
    <message>
        <source>Get Data</source>
        <translation>Get Data</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NO</translation>
    </message>
    <message>
        <source>StartTime</source>
        <translation>StartTime</translation>
    </message>
    <message>
        <source>Duration(S)</source>
        <translation>Duration(S)</translation>
    </message>
    <message>
        <source>Power(REC) (uW/c㎡)</source>
        <translation>Power(REC) (uW/c㎡)</translation>
    </message>
    <message>
        <source>Power(MAX) (uW/c㎡)</source>
        <translation>Power(MAX) (uW/c㎡)</translation>
    </message>
    <message>
        <source>Power(MIN) (uW/c㎡)</source>
        <translation>Power(MIN) (uW/c㎡)</translation>
    </message>
    <message>
        <source>Power(AVG) (uW/c㎡)</source>
        <translation>Power(AVG) (uW/c㎡)</translation>
    </message>
    <message>
        <source>Solvane UV Instruments</source>
        <translation>Solvane UV Instruments</translation>
    </message>
    <message>
        <source>www.solvane.example</source>
        <translation>www.solvane.example</translation>
    </message>
    <message>
        <source>warn</source>
        <translation>warn</translation>
    </message>
    <message>
        <source>please Connecting instrument!</source>
        <translation>please Connecting instrument!</translation>
    </message>
    <message>
        <source>information</source>
        <translation>information</translation>
    </message>
    <message>
        <source>Getting data,please wait...</source>
        <translation>Getting data,please wait...</translation>
    </message>
    <message>
        <source>Warn</source>
        <translation>Warn</translation>
    </message>
    <message>
        <source>The instrument is not configured production information!</source>
        <translation>The instrument is not configured production information!</translation>
    </message>
    <message>
        <source>Solvane V2.1</source>
        <translation>Solvane V2.1</translation>
    </message>
    <message>
        <source>Resetting the parameter history data will be cleared.</source>
        <translation>Resetting the parameter history data will be cleared.</translation>
    </message>
    <message>
        <source>Shutdown must between 1—10!</source>
        <translation>Shutdown must between 1—10!</translation>
    </message>
    <message>
        <source>parameter configuration success!</source>
        <translation>parameter configuration success!</translation>
    </message>
    <message>
        <source>parameter configuration Error!</source>
        <translation>parameter configuration Error!</translation>
    </message>
    <message>
        <source>parameter date time success!</source>
        <translation>parameter date time success!</translation>
    </message>
    <message>
        <source>parameter date time error!</source>
        <translation>parameter date time error!</translation>
    </message>
    <message>
        <source>Getting data outtime,please get again.</source>
        <translation>Getting data outtime,please get again.</translation>
    </message>
    <message>
        <source>Read Storage Interval Error!</source>
        <translation>Read Storage Interval Error!</translation>
    </message>
    <message>
        <source>please get data first!</source>
        <translation>please get data first!</translation>
    </message>
    <message>
        <source>Storing data to Excel</source>
        <translation>Storing data to Excel</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>error</source>
        <translation>error</translation>
    </message>
    <message>
        <source>No data for Storing to Excel!</source>
        <translation>No data for Storing to Excel!</translation>
    </message>
    <message>
        <source>Can't overwrite this file, maybe the file is in use!</source>
        <translation>Can't overwrite this file, maybe the file is in use!</translation>
    </message>
    <message>
        <source>Storing data</source>
        <translation>Storing data</translation>
    </message>
    <message>
        <source>Storing data failed, Can't open file!</source>
        <translation>Storing data failed, Can't open file!</translation>
    </message>
    <message>
        <source>Storing data,please wait...</source>
        <translation>Storing data,please wait...</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>cancel</translation>
    </message>
    <message>
        <source>export</source>
        <translation>export</translation>
    </message>
    <message>
        <source>Export data failed!</source>
        <translation>Export data failed!</translation>
    </message>
    <message>
        <source>Recording %1 could not be read without errors; it is left out.</source>
        <translation>Recording %1 could not be read without errors; it is left out.</translation>
    </message>
    <message>
        <source>Recordings %1 could not be read without errors; they are left out.</source>
        <translation>Recordings %1 could not be read without errors; they are left out.</translation>
    </message>
    <message>
        <source>Excel workbook (*.xlsx);;CSV (*.csv)</source>
        <translation>Excel workbook (*.xlsx);;CSV (*.csv)</translation>
    </message>
    <message>
        <source>Sync clock</source>
        <translation>Sync clock</translation>
    </message>
    <message>
        <source>The logger's clock is %1 behind this computer's.</source>
        <translation>The logger's clock is %1 behind this computer's.</translation>
    </message>
    <message>
        <source>The logger's clock is %1 ahead of this computer's.</source>
        <translation>The logger's clock is %1 ahead of this computer's.</translation>
    </message>
    <message>
        <source>Setting it failed; try again.</source>
        <translation>Setting it failed; try again.</translation>
    </message>
    <message>
        <source>The logger's clock could not be set; try again.</source>
        <translation>The logger's clock could not be set; try again.</translation>
    </message>
    <message>
        <source>%1 d %2 h</source>
        <translation>%1 d %2 h</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 min %2 s</translation>
    </message>
</context>
<context>
    <name>InformationPageFor415</name>
    <message>
        <source>Report</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>information</source>
        <translation>information</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>SN:</translation>
    </message>
    <message>
        <source>Test Light:</source>
        <translation>Test Light:</translation>
    </message>
    <message>
        <source>Company:</source>
        <translation>Company:</translation>
    </message>
    <message>
        <source>Tester:</source>
        <translation>Tester:</translation>
    </message>
    <message>
        <source>Auditor:</source>
        <translation>Auditor:</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>InformationPageFor416</name>
    <message>
        <source>Report</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>information</source>
        <translation>information</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>SN:</translation>
    </message>
    <message>
        <source>Start Time:</source>
        <translation>Start Time:</translation>
    </message>
    <message>
        <source>Duration:</source>
        <translation>Duration:</translation>
    </message>
    <message>
        <source>Test Light:</source>
        <translation>Test Light:</translation>
    </message>
    <message>
        <source>Company:</source>
        <translation>Company:</translation>
    </message>
    <message>
        <source>Tester:</source>
        <translation>Tester:</translation>
    </message>
    <message>
        <source>Auditor:</source>
        <translation>Auditor:</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>LibraryLocation</name>
    <message>
        <source>No library location was given.</source>
        <translation>No library location was given.</translation>
    </message>
    <message>
        <source>"%1" is not a valid PostgreSQL address: %2</source>
        <translation>"%1" is not a valid PostgreSQL address: %2</translation>
    </message>
    <message>
        <source>"%1" names no database.</source>
        <translation>"%1" names no database.</translation>
    </message>
    <message>
        <source>Unknown option "%1" in the library address.</source>
        <translation>Unknown option "%1" in the library address.</translation>
    </message>
    <message>
        <source>postgresql://[user@]host[:port]/database[?sslmode=...]</source>
        <translation>postgresql://[user@]host[:port]/database[?sslmode=...]</translation>
    </message>
    <message>
        <source>The library address must not hold a password; keep it in %1 or in %2.</source>
        <translation>The library address must not hold a password; keep it in %1 or in %2.</translation>
    </message>
    <message>
        <source>The option "%1" in the library address holds a ";", which a connection cannot take.</source>
        <translation>The option "%1" in the library address holds a ";", which a connection cannot take.</translation>
    </message>
    <message>
        <source>The sslmode in the library address is none of %1.</source>
        <translation>The sslmode in the library address is none of %1.</translation>
    </message>
    <message>
        <source>The port "%1" in the library address is not a number from 1 to 65535.</source>
        <translation>The port "%1" in the library address is not a number from 1 to 65535.</translation>
    </message>
</context>
<context>
    <name>LibraryModel</name>
    <message>
        <source>Logger</source>
        <translation>Logger</translation>
    </message>
    <message>
        <source>Meter</source>
        <translation>Meter</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Serial No</source>
        <translation>Serial No</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NO</translation>
    </message>
    <message>
        <source>Start / Downloaded</source>
        <translation>Start / Downloaded</translation>
    </message>
    <message>
        <source>Samples / Unit</source>
        <translation>Samples / Unit</translation>
    </message>
    <message>
        <source>REC / RT</source>
        <translation>REC / RT</translation>
    </message>
    <message>
        <source>MAX</source>
        <translation>MAX</translation>
    </message>
    <message>
        <source>MIN</source>
        <translation>MIN</translation>
    </message>
    <message>
        <source>AVG</source>
        <translation>AVG</translation>
    </message>
    <message>
        <source>Some samples were not numbers, there were none, or the interval was 0: the dose counts only what could be counted.</source>
        <translation>Some samples were not numbers, there were none, or the interval was 0: the dose counts only what could be counted.</translation>
    </message>
    <message>
        <source>%1 (flagged)</source>
        <translation>%1 (flagged)</translation>
    </message>
    <message>
        <source>Dose</source>
        <translation>Dose</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>Instrument clock at a station on UTC%1; %2 UTC</source>
        <translation>Instrument clock at a station on UTC%1; %2 UTC</translation>
    </message>
</context>
<context>
    <name>LibraryPassword</name>
    <message>
        <source>The keyring did not answer within %1 seconds.</source>
        <translation>The keyring did not answer within %1 seconds.</translation>
    </message>
    <message>
        <source>No keyring runs in this session.</source>
        <translation>No keyring runs in this session.</translation>
    </message>
    <message>
        <source>The keyring refused: %1</source>
        <translation>The keyring refused: %1</translation>
    </message>
    <message>
        <source>the desktop keyring</source>
        <translation>the desktop keyring</translation>
    </message>
    <message>
        <source>The Credential Manager refused (error %1).</source>
        <translation>The Credential Manager refused (error %1).</translation>
    </message>
    <message>
        <source>the Windows Credential Manager</source>
        <translation>the Windows Credential Manager</translation>
    </message>
</context>
<context>
    <name>LibraryVerifier</name>
    <message>
        <source>The audit trail cannot be read: %1</source>
        <translation>The audit trail cannot be read: %1</translation>
    </message>
    <message>
        <source>Entry %1 of the audit trail is missing.</source>
        <translation>Entry %1 of the audit trail is missing.</translation>
    </message>
    <message>
        <source>Entries %1 to %2 of the audit trail are missing.</source>
        <translation>Entries %1 to %2 of the audit trail are missing.</translation>
    </message>
    <message>
        <source>Entry %1 of the audit trail does not follow entry %2: it names another entry before it.</source>
        <translation>Entry %1 of the audit trail does not follow entry %2: it names another entry before it.</translation>
    </message>
    <message>
        <source>Entry %1 of the audit trail was altered: its hash does not match its content.</source>
        <translation>Entry %1 of the audit trail was altered: its hash does not match its content.</translation>
    </message>
    <message>
        <source>Entry %1 of the audit trail stores recording %2 a second time.</source>
        <translation>Entry %1 of the audit trail stores recording %2 a second time.</translation>
    </message>
    <message>
        <source>Entry %1 of the audit trail changes recording %2, which it never stored.</source>
        <translation>Entry %1 of the audit trail changes recording %2, which it never stored.</translation>
    </message>
    <message>
        <source>The report texts of recording %1 were changed without an entry in the audit trail before entry %2.</source>
        <translation>The report texts of recording %1 were changed without an entry in the audit trail before entry %2.</translation>
    </message>
    <message>
        <source>No entry of the audit trail has the hash %1: the trail was rewritten since that hash was taken.</source>
        <translation>No entry of the audit trail has the hash %1: the trail was rewritten since that hash was taken.</translation>
    </message>
    <message>
        <source>The recordings cannot be read: %1</source>
        <translation>The recordings cannot be read: %1</translation>
    </message>
    <message>
        <source>Recording %1 has no entry in the audit trail that stored it.</source>
        <translation>Recording %1 has no entry in the audit trail that stored it.</translation>
    </message>
    <message>
        <source>The samples of recording %1 do not match its SHA-256.</source>
        <translation>The samples of recording %1 do not match its SHA-256.</translation>
    </message>
    <message>
        <source>The values of meter group %1 do not match its SHA-256.</source>
        <translation>The values of meter group %1 do not match its SHA-256.</translation>
    </message>
    <message>
        <source>Recording %1 is not what entry %2 of the audit trail stored.</source>
        <translation>Recording %1 is not what entry %2 of the audit trail stored.</translation>
    </message>
    <message>
        <source>The report texts of recording %1 were changed without an entry in the audit trail.</source>
        <translation>The report texts of recording %1 were changed without an entry in the audit trail.</translation>
    </message>
    <message>
        <source>Recording %1 was removed without an entry in the audit trail.</source>
        <translation>Recording %1 was removed without an entry in the audit trail.</translation>
    </message>
    <message>
        <source>Recording %1 was restored without an entry in the audit trail.</source>
        <translation>Recording %1 was restored without an entry in the audit trail.</translation>
    </message>
    <message>
        <source>Recording %1, stored by entry %2 of the audit trail, was deleted from the library.</source>
        <translation>Recording %1, stored by entry %2 of the audit trail, was deleted from the library.</translation>
    </message>
</context>
<context>
    <name>LibraryWindow</name>
    <message>
        <source>Library</source>
        <translation>Library</translation>
    </message>
    <message>
        <source>From</source>
        <translation>From</translation>
    </message>
    <message>
        <source>to</source>
        <translation>to</translation>
    </message>
    <message>
        <source>Search serial, model, time or report texts</source>
        <translation>Search serial, model, time or report texts</translation>
    </message>
    <message>
        <source>Curve</source>
        <translation>Curve</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>Excel</source>
        <translation>Excel</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>All instruments</source>
        <translation>All instruments</translation>
    </message>
    <message>
        <source>No library is open.</source>
        <translation>No library is open.</translation>
    </message>
    <message>
        <source>Entries: %1</source>
        <translation>Entries: %1</translation>
    </message>
    <message>
        <source>information</source>
        <translation>information</translation>
    </message>
    <message>
        <source>Choose an entry first.</source>
        <translation>Choose an entry first.</translation>
    </message>
    <message>
        <source>The entry cannot be read: %1</source>
        <translation>The entry cannot be read: %1</translation>
    </message>
    <message>
        <source>Check against</source>
        <translation>Check against</translation>
    </message>
    <message>
        <source>Process windows...</source>
        <translation>Process windows...</translation>
    </message>
    <message>
        <source>Overlay</source>
        <translation>Overlay</translation>
    </message>
    <message>
        <source>Trend</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>Meter groups have no curve: choose logger recordings.</source>
        <translation>Meter groups have no curve: choose logger recordings.</translation>
    </message>
    <message>
        <source>Choose an instrument or an entry first.</source>
        <translation>Choose an instrument or an entry first.</translation>
    </message>
    <message>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Workbook</source>
        <translation>Workbook</translation>
    </message>
    <message>
        <source>The chosen entries in one workbook: a summary sheet, then one sheet per recording</source>
        <translation>The chosen entries in one workbook: a summary sheet, then one sheet per recording</translation>
    </message>
    <message>
        <source>Save the chosen entries</source>
        <translation>Save the chosen entries</translation>
    </message>
    <message>
        <source>Excel workbook (*.xlsx)</source>
        <translation>Excel workbook (*.xlsx)</translation>
    </message>
    <message>
        <source>Writing the workbook...</source>
        <translation>Writing the workbook...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 entries saved to %2</source>
        <translation>%1 entries saved to %2</translation>
    </message>
    <message>
        <source>Show removed</source>
        <translation>Show removed</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>History</source>
        <translation>History</translation>
    </message>
    <message>
        <source>Audit trail</source>
        <translation>Audit trail</translation>
    </message>
    <message>
        <source>Why is entry %1 removed? It is kept in the library and its audit trail, and can be restored.</source>
        <translation>Why is entry %1 removed? It is kept in the library and its audit trail, and can be restored.</translation>
    </message>
    <message>
        <source>Why is entry %1 restored?</source>
        <translation>Why is entry %1 restored?</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>information</source>
        <translation>information</translation>
    </message>
    <message>
        <source>Send data Error！</source>
        <translation>Send data Error！</translation>
    </message>
    <message>
        <source>Message format error！</source>
        <translation>Message format error！</translation>
    </message>
    <message>
        <source>Warn</source>
        <translation>Warn</translation>
    </message>
    <message>
        <source>No probe connection!</source>
        <translation>No probe connection!</translation>
    </message>
    <message>
        <source>The instrument is not configured production information!</source>
        <translation>The instrument is not configured production information!</translation>
    </message>
    <message>
        <source>The instrument is connected, but this user may not open it.
Install the udev rule of Solvane (70-solvane.rules, part of the package), then unplug the instrument and plug it in again.</source>
        <translation>The instrument is connected, but this user may not open it.
Install the udev rule of Solvane (70-solvane.rules, part of the package), then unplug the instrument and plug it in again.</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Library</translation>
    </message>
    <message>
        <source>Library password</source>
        <translation>Library password</translation>
    </message>
    <message>
        <source>The library at %1 wants a password:</source>
        <translation>The library at %1 wants a password:</translation>
    </message>
    <message>
        <source>The password is kept nowhere (%1); to sign in without it next time, put it in %2.</source>
        <translation>The password is kept nowhere (%1); to sign in without it next time, put it in %2.</translation>
    </message>
</context>
<context>
    <name>OverlayWindow</name>
    <message>
        <source>Time (s)</source>
        <translation>Time (s)</translation>
    </message>
    <message>
        <source>Irradiance (uW/cm²)</source>
        <translation>Irradiance (uW/cm²)</translation>
    </message>
    <message>
        <source>Overlay</source>
        <translation>Overlay</translation>
    </message>
    <message>
        <source>Recordings: %1</source>
        <translation>Recordings: %1</translation>
    </message>
    <message>
        <source>Meter groups have no curve: %1 left out.</source>
        <translation>Meter groups have no curve: %1 left out.</translation>
    </message>
    <message>
        <source>No interval known for entry %1: drawn one second per sample.</source>
        <translation>No interval known for entry %1: drawn one second per sample.</translation>
    </message>
</context>
<context>
    <name>ProcessWindow</name>
    <message>
        <source>A process window needs a name.</source>
        <translation>A process window needs a name.</translation>
    </message>
    <message>
        <source>The limits of "%1" must be numbers.</source>
        <translation>The limits of "%1" must be numbers.</translation>
    </message>
    <message>
        <source>In "%1" the minimum peak is above the maximum peak.</source>
        <translation>In "%1" the minimum peak is above the maximum peak.</translation>
    </message>
    <message>
        <source>In "%1" the minimum dose is above the maximum dose.</source>
        <translation>In "%1" the minimum dose is above the maximum dose.</translation>
    </message>
    <message>
        <source>There are two process windows called "%1".</source>
        <translation>There are two process windows called "%1".</translation>
    </message>
    <message>
        <source>The process windows cannot be kept in %1.</source>
        <translation>The process windows cannot be kept in %1.</translation>
    </message>
</context>
<context>
    <name>ProcessWindowDialog</name>
    <message>
        <source>Process windows</source>
        <translation>Process windows</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Minimum peak (uW/cm²)</source>
        <translation>Minimum peak (uW/cm²)</translation>
    </message>
    <message>
        <source>Maximum peak (uW/cm²)</source>
        <translation>Maximum peak (uW/cm²)</translation>
    </message>
    <message>
        <source>Minimum dose (uJ/cm²)</source>
        <translation>Minimum dose (uJ/cm²)</translation>
    </message>
    <message>
        <source>Maximum dose (uJ/cm²)</source>
        <translation>Maximum dose (uJ/cm²)</translation>
    </message>
    <message>
        <source>A limit left empty does not apply. 1 mJ/cm² = 1000 uJ/cm².</source>
        <translation>A limit left empty does not apply. 1 mJ/cm² = 1000 uJ/cm².</translation>
    </message>
    <message>
        <source>Window %1</source>
        <translation>Window %1</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Device: </source>
        <translation>Device: </translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Test Report</source>
        <translation>Test Report</translation>
    </message>
    <message>
        <source>Test Report1</source>
        <translation>Test Report1</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>SN:</translation>
    </message>
    <message>
        <source>Test Light:</source>
        <translation>Test Light:</translation>
    </message>
    <message>
        <source>Company:</source>
        <translation>Company:</translation>
    </message>
    <message>
        <source>Test Data</source>
        <translation>Test Data</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>Energy</source>
        <translation>Energy</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>Power(RT)</source>
        <translation>Power(RT)</translation>
    </message>
    <message>
        <source>Power(MAX)</source>
        <translation>Power(MAX)</translation>
    </message>
    <message>
        <source>Power(MIN)</source>
        <translation>Power(MIN)</translation>
    </message>
    <message>
        <source>Power(AVG)</source>
        <translation>Power(AVG)</translation>
    </message>
    <message>
        <source> Tester:</source>
        <translation> Tester:</translation>
    </message>
    <message>
        <source> Auditor:</source>
        <translation> Auditor:</translation>
    </message>
    <message>
        <source>StartTime:</source>
        <translation>StartTime:</translation>
    </message>
    <message>
        <source>Duration:</source>
        <translation>Duration:</translation>
    </message>
    <message>
        <source>Power(REC)</source>
        <translation>Power(REC)</translation>
    </message>
    <message>
        <source>Save PDF</source>
        <translation>Save PDF</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF document (*.pdf)</translation>
    </message>
    <message>
        <source>information</source>
        <translation>information</translation>
    </message>
    <message>
        <source>The report could not be saved as %1.</source>
        <translation>The report could not be saved as %1.</translation>
    </message>
    <message>
        <source>Process window %1: %2</source>
        <translation>Process window %1: %2</translation>
    </message>
    <message>
        <source>%1 (flagged)</source>
        <translation>%1 (flagged)</translation>
    </message>
    <message>
        <source>Dose</source>
        <translation>Dose</translation>
    </message>
    <message>
        <source>Sign the report</source>
        <translation>Sign the report</translation>
    </message>
</context>
<context>
    <name>RecordingCsv</name>
    <message>
        <source>There is nothing to write.</source>
        <translation>There is nothing to write.</translation>
    </message>
    <message>
        <source>Logger recordings and meter groups have different columns; write them to separate CSV files.</source>
        <translation>Logger recordings and meter groups have different columns; write them to separate CSV files.</translation>
    </message>
</context>
<context>
    <name>RecordingLibrary</name>
    <message>
        <source>The library %1 is not a file.</source>
        <translation>The library %1 is not a file.</translation>
    </message>
    <message>
        <source>The library file %1 cannot be read (no permission).</source>
        <translation>The library file %1 cannot be read (no permission).</translation>
    </message>
    <message>
        <source>The folder of the library %1 cannot be made.</source>
        <translation>The folder of the library %1 cannot be made.</translation>
    </message>
    <message>
        <source>The library file %1 cannot be made: %2</source>
        <translation>The library file %1 cannot be made: %2</translation>
    </message>
    <message>
        <source>The library file %1 cannot be opened: %2</source>
        <translation>The library file %1 cannot be opened: %2</translation>
    </message>
    <message>
        <source>The library file %1 is damaged or is no library: %2</source>
        <translation>The library file %1 is damaged or is no library: %2</translation>
    </message>
    <message>
        <source>This installation cannot reach PostgreSQL (its Qt driver is missing).</source>
        <translation>This installation cannot reach PostgreSQL (its Qt driver is missing).</translation>
    </message>
    <message>
        <source>The library at %1 cannot be reached: %2</source>
        <translation>The library at %1 cannot be reached: %2</translation>
    </message>
    <message>
        <source>The library %1 is damaged: its version cannot be read (%2).</source>
        <translation>The library %1 is damaged: its version cannot be read (%2).</translation>
    </message>
    <message>
        <source>The library %1 was written by a newer Solvane (schema %2; this one knows %3). It is left as it is.</source>
        <translation>The library %1 was written by a newer Solvane (schema %2; this one knows %3). It is left as it is.</translation>
    </message>
    <message>
        <source>%1 holds tables of another program; it is left as it is.</source>
        <translation>%1 holds tables of another program; it is left as it is.</translation>
    </message>
    <message>
        <source>The library %1 cannot be used: %2</source>
        <translation>The library %1 cannot be used: %2</translation>
    </message>
    <message>
        <source>The library %1 cannot be written: %2</source>
        <translation>The library %1 cannot be written: %2</translation>
    </message>
    <message>
        <source>The library %1 cannot be brought up to date: %2</source>
        <translation>The library %1 cannot be brought up to date: %2</translation>
    </message>
    <message>
        <source>No library is open.</source>
        <translation>No library is open.</translation>
    </message>
    <message>
        <source>The library %1 is busy: another program is writing to it. Try again.</source>
        <translation>The library %1 is busy: another program is writing to it. Try again.</translation>
    </message>
    <message>
        <source>The report texts cannot be kept: %1</source>
        <translation>The report texts cannot be kept: %1</translation>
    </message>
    <message>
        <source>Its password is not known here: keep it in %1 or in %2.</source>
        <translation>Its password is not known here: keep it in %1 or in %2.</translation>
    </message>
    <message>
        <source>A server on the network is reached only encrypted (TLS), so that the password never crosses the network readable; if it offers no TLS, turn TLS on at the server, or add ?sslmode=disable to the address.</source>
        <translation>A server on the network is reached only encrypted (TLS), so that the password never crosses the network readable; if it offers no TLS, turn TLS on at the server, or add ?sslmode=disable to the address.</translation>
    </message>
    <message>
        <source>The stored recording %1 cannot be read back.</source>
        <translation>The stored recording %1 cannot be read back.</translation>
    </message>
    <message>
        <source>recording %1</source>
        <translation>recording %1</translation>
    </message>
    <message>
        <source>A recording is removed only with a reason.</source>
        <translation>A recording is removed only with a reason.</translation>
    </message>
    <message>
        <source>A recording is restored only with a reason.</source>
        <translation>A recording is restored only with a reason.</translation>
    </message>
    <message>
        <source>The entry cannot be removed: %1</source>
        <translation>The entry cannot be removed: %1</translation>
    </message>
    <message>
        <source>The entry cannot be restored: %1</source>
        <translation>The entry cannot be restored: %1</translation>
    </message>
    <message>
        <source>Recording %1 is removed already.</source>
        <translation>Recording %1 is removed already.</translation>
    </message>
    <message>
        <source>Recording %1 is not removed.</source>
        <translation>Recording %1 is not removed.</translation>
    </message>
    <message>
        <source>The audit trail cannot be written: %1</source>
        <translation>The audit trail cannot be written: %1</translation>
    </message>
    <message>
        <source>The file %1 cannot be read for the audit trail.</source>
        <translation>The file %1 cannot be read for the audit trail.</translation>
    </message>
    <message>
        <source>A signature needs the signer's name.</source>
        <translation>A signature needs the signer's name.</translation>
    </message>
    <message>
        <source>The signature cannot be kept: %1</source>
        <translation>The signature cannot be kept: %1</translation>
    </message>
    <message>
        <source>Recording %1 is removed; restore it before signing.</source>
        <translation>Recording %1 is removed; restore it before signing.</translation>
    </message>
</context>
<context>
    <name>RecordingWorkbook</name>
    <message>
        <source>Summary</source>
        <translation>Summary</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>Family</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>Interval (s)</source>
        <translation>Interval (s)</translation>
    </message>
    <message>
        <source>Samples</source>
        <translation>Samples</translation>
    </message>
    <message>
        <source>Dose (uJ/cm²)</source>
        <translation>Dose (uJ/cm²)</translation>
    </message>
    <message>
        <source>Dose flagged</source>
        <translation>Dose flagged</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>Energy</source>
        <translation>Energy</translation>
    </message>
    <message>
        <source>Duration (s)</source>
        <translation>Duration (s)</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>Energy check flagged</source>
        <translation>Energy check flagged</translation>
    </message>
    <message>
        <source>Sheet</source>
        <translation>Sheet</translation>
    </message>
    <message>
        <source>There is nothing to write.</source>
        <translation>There is nothing to write.</translation>
    </message>
    <message>
        <source>The workbook cannot be made there.</source>
        <translation>The workbook cannot be made there.</translation>
    </message>
    <message>
        <source>The workbook could not be written.</source>
        <translation>The workbook could not be written.</translation>
    </message>
    <message>
        <source>The export was abandoned.</source>
        <translation>The export was abandoned.</translation>
    </message>
</context>
<context>
    <name>ReportPageFor415</name>
    <message>
        <source>Report</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Device: </source>
        <translation>Device: </translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Save PDF</source>
        <translation>Save PDF</translation>
    </message>
    <message>
        <source>Sign</source>
        <translation>Sign</translation>
    </message>
</context>
<context>
    <name>ReportPageFor416</name>
    <message>
        <source>Report</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Save PDF</source>
        <translation>Save PDF</translation>
    </message>
    <message>
        <source>Sign</source>
        <translation>Sign</translation>
    </message>
</context>
<context>
    <name>ReportSignature</name>
    <message>
        <source>Reviewed by</source>
        <translation>Reviewed by</translation>
    </message>
    <message>
        <source>Approved by</source>
        <translation>Approved by</translation>
    </message>
    <message>
        <source>its entry in the audit trail was altered</source>
        <translation>its entry in the audit trail was altered</translation>
    </message>
    <message>
        <source>the recording changed after it was signed</source>
        <translation>the recording changed after it was signed</translation>
    </message>
    <message>
        <source>the report texts changed after it was signed</source>
        <translation>the report texts changed after it was signed</translation>
    </message>
    <message>
        <source>the recording was removed from the library</source>
        <translation>the recording was removed from the library</translation>
    </message>
    <message>
        <source>Signatures</source>
        <translation>Signatures</translation>
    </message>
    <message>
        <source>%1 %2 (%3 on %4), %5, trail entry %6</source>
        <translation>%1 %2 (%3 on %4), %5, trail entry %6</translation>
    </message>
    <message>
        <source>VOID: %1</source>
        <translation>VOID: %1</translation>
    </message>
</context>
<context>
    <name>SignatureDialog</name>
    <message>
        <source>Sign the report</source>
        <translation>Sign the report</translation>
    </message>
    <message>
        <source>Meaning</source>
        <translation>Meaning</translation>
    </message>
    <message>
        <source>Your name</source>
        <translation>Your name</translation>
    </message>
    <message>
        <source>Your name, your user account, the time, the recording's SHA-256, the report texts and the verdict are kept together in the library's audit trail. A later change to the recording or to the texts voids the signature.</source>
        <translation>Your name, your user account, the time, the recording's SHA-256, the report texts and the verdict are kept together in the library's audit trail. A later change to the recording or to the texts voids the signature.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>error</source>
        <translation>error</translation>
    </message>
    <message>
        <source>Solvane cannot start: %1</source>
        <translation>Solvane cannot start: %1</translation>
    </message>
    <message>
        <source>There is no private folder for this session: %1 is missing, not a folder of yours, or open to other users.</source>
        <translation>There is no private folder for this session: %1 is missing, not a folder of yours, or open to other users.</translation>
    </message>
    <message>
        <source>The lock file %1 cannot be made here.</source>
        <translation>The lock file %1 cannot be made here.</translation>
    </message>
</context>
<context>
    <name>TableOpWidget</name>
    <message>
        <source>EXCEL</source>
        <translation>EXCEL</translation>
    </message>
    <message>
        <source>Curve</source>
        <translation>Curve</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>Report</translation>
    </message>
</context>
<context>
    <name>TrendWindow</name>
    <message>
        <source>No library is open.</source>
        <translation>No library is open.</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Peak irradiance (uW/cm²)</source>
        <translation>Peak irradiance (uW/cm²)</translation>
    </message>
    <message>
        <source>Dose (uJ/cm²)</source>
        <translation>Dose (uJ/cm²)</translation>
    </message>
    <message>
        <source>Peak (MAX)</source>
        <translation>Peak (MAX)</translation>
    </message>
    <message>
        <source>Dose</source>
        <translation>Dose</translation>
    </message>
    <message>
        <source>Peak limits of %1</source>
        <translation>Peak limits of %1</translation>
    </message>
    <message>
        <source>Dose limits of %1</source>
        <translation>Dose limits of %1</translation>
    </message>
    <message>
        <source>Trend of %1</source>
        <translation>Trend of %1</translation>
    </message>
    <message>
        <source>The library could not be read whole: %1</source>
        <translation>The library could not be read whole: %1</translation>
    </message>
    <message>
        <source>Recordings: %1</source>
        <translation>Recordings: %1</translation>
    </message>
    <message>
        <source>Meter groups and recordings without a start time left out: %1.</source>
        <translation>Meter groups and recordings without a start time left out: %1.</translation>
    </message>
    <message>
        <source>Doses that could not be counted whole left out: %1.</source>
        <translation>Doses that could not be counted whole left out: %1.</translation>
    </message>
    <message>
        <source>Process window: %1</source>
        <translation>Process window: %1</translation>
    </message>
    <message>
        <source>No process window chosen.</source>
        <translation>No process window chosen.</translation>
    </message>
</context>
<context>
    <name>UVPowerCurvePageFor416</name>
    <message>
        <source>UV Power Curve</source>
        <translation>UV Power Curve</translation>
    </message>
    <message>
        <source>Coordinate Axis Set</source>
        <translation>Coordinate Axis Set</translation>
    </message>
    <message>
        <source>Auto Set</source>
        <translation>Auto Set</translation>
    </message>
    <message>
        <source>Clock time</source>
        <translation>Clock time</translation>
    </message>
    <message>
        <source>Save image</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>At the mouse</source>
        <translation>At the mouse</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Time (s)</source>
        <translation>Time (s)</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>Sample</translation>
    </message>
    <message>
        <source>Irradiance (uW/cm²)</source>
        <translation>Irradiance (uW/cm²)</translation>
    </message>
    <message>
        <source>Dose: %1</source>
        <translation>Dose: %1</translation>
    </message>
    <message>
        <source>%1 (flagged)</source>
        <translation>%1 (flagged)</translation>
    </message>
    <message>
        <source>Some samples were not numbers, there were none, or the interval was 0: the dose counts only what could be counted.</source>
        <translation>Some samples were not numbers, there were none, or the interval was 0: the dose counts only what could be counted.</translation>
    </message>
    <message>
        <source>Process window %1: %2</source>
        <translation>Process window %1: %2</translation>
    </message>
    <message>
        <source>Sample: %1</source>
        <translation>Sample: %1</translation>
    </message>
    <message>
        <source>Time: %1</source>
        <translation>Time: %1</translation>
    </message>
    <message>
        <source>Time: %1 s</source>
        <translation>Time: %1 s</translation>
    </message>
    <message>
        <source>Irradiance: %1 uW/cm²</source>
        <translation>Irradiance: %1 uW/cm²</translation>
    </message>
    <message>
        <source>Irradiance: no value</source>
        <translation>Irradiance: no value</translation>
    </message>
    <message>
        <source>PNG image (*.png);;SVG image (*.svg);;PDF document (*.pdf)</source>
        <translation>PNG image (*.png);;SVG image (*.svg);;PDF document (*.pdf)</translation>
    </message>
    <message>
        <source>information</source>
        <translation>information</translation>
    </message>
    <message>
        <source>The image could not be saved as %1.</source>
        <translation>The image could not be saved as %1.</translation>
    </message>
    <message>
        <source>PNG image (*.png);;PDF document (*.pdf)</source>
        <translation>PNG image (*.png);;PDF document (*.pdf)</translation>
    </message>
</context>
<context>
    <name>Verdict</name>
    <message>
        <source>peak below the minimum</source>
        <translation>peak below the minimum</translation>
    </message>
    <message>
        <source>peak above the maximum</source>
        <translation>peak above the maximum</translation>
    </message>
    <message>
        <source>dose below the minimum</source>
        <translation>dose below the minimum</translation>
    </message>
    <message>
        <source>dose above the maximum</source>
        <translation>dose above the maximum</translation>
    </message>
    <message>
        <source>dose not defined</source>
        <translation>dose not defined</translation>
    </message>
    <message>
        <source>unit not known</source>
        <translation>unit not known</translation>
    </message>
    <message>
        <source>pass</source>
        <translation>pass</translation>
    </message>
    <message>
        <source>fail: %1</source>
        <translation>fail: %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>peak not defined</source>
        <translation>peak not defined</translation>
    </message>
</context>
</TS>