<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en_US">
<context>
    <name>FirstPageFor415</name>
    <message>
        <source>Real-time meter</source>
        <translation>Real-time meter</translation>
    </message>
    <message>
        <source>openThreadSlot</source>
        <translation>openThreadSlot</translation>
    </message>
    <message>
        <source>closeThreadSlot</source>
        <translation>closeThreadSlot</translation>
    </message>
</context>
<context>
    <name>FirstPageFor416</name>
    <message>
        <source>Data logger</source>
        <translation>Data logger</translation>
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
</context>
</TS>