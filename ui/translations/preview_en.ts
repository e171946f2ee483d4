<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CVexaView</name>
    <message>
        <source>适合屏幕</source>
        <translation>Fit to Screen</translation>
    </message>
    <message>
        <source>视图右键菜单</source>
        <translation>View Context Menu</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>旋转90度</source>
        <translation>Rotate by 90 Degrees</translation>
    </message>
    <message>
        <source>图形平移至左下角</source>
        <translation>Move Graphic to Lower Left</translation>
    </message>
</context>
</TS>
