<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_CN">
<context>
    <name>FirstPageFor415</name>
    <message>
        <source>Real-time meter</source>
        <translation>实时型辐照计</translation>
    </message>
    <message>
        <source>openThreadSlot</source>
        <translation>开启线程</translation>
    </message>
    <message>
        <source>closeThreadSlot</source>
        <translation>关闭线程</translation>
    </message>
</context>
<context>
    <name>FirstPageFor416</name>
    <message>
        <source>Data logger</source>
        <translation>记录型辐照计</translation>
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
        <translation>提示</translation>
    </message>
    <message>
        <source>Send data Error！</source>
        <translation>发送数据错误！</translation>
    </message>
    <message>
        <source>Message format error！</source>
        <translation>报文格式错误！</translation>
    </message>
    <message>
        <source>Warn</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>No probe connection!</source>
        <translation>探头未连接！</translation>
    </message>
    <message>
        <source>The instrument is not configured production information!</source>
        <translation>仪器未配置生产信息！</translation>
    </message>
</context>
</TS>