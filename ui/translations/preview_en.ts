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
    <message>
        <source>打印点阵</source>
        <translation>Printed Dots</translation>
    </message>
    <message>
        <source>显示按当前设置将打印的点阵</source>
        <translation>Show the dots the plotter will print with the current settings</translation>
    </message>
    <message>
        <source>正在准备打印点阵…</source>
        <translation>Preparing the printed dots…</translation>
    </message>
    <message>
        <source>正在生成打印点阵：%1/%2 条</source>
        <translation>Building the printed dots: %1 of %2 swaths</translation>
    </message>
</context>
</TS>
