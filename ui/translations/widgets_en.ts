<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CDlgGetIntInput</name>
    <message>
        <location filename="../dlg_get_int_input.cpp" line="14"/>
        <source>输入</source>
        <translation>Input</translation>
    </message>
    <message>
        <location filename="../dlg_get_int_input.cpp" line="38"/>
        <source>请输入一个整数。</source>
        <translation>Please enter an integer.</translation>
    </message>
</context>
<context>
    <name>CMyDlgBar</name>
    <message>
        <location filename="../control_bar.cpp" line="71"/>
        <source>状态:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="72"/>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="75"/>
        <source>小车:</source>
        <translation>Car:</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="90"/>
        <source>控制:</source>
        <translation>Control:</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="98"/>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="99"/>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="100"/>
        <source>删除任务</source>
        <translation>Delete task</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="101"/>
        <source>清洗喷头</source>
        <translation>Clean heads</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="102"/>
        <source>风扇</source>
        <translation>Fan</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="104"/>
        <source>向上移动</source>
        <translation>Move up</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="105"/>
        <source>向左移动</source>
        <translation>Move left</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="106"/>
        <source>向下移动</source>
        <translation>Move down</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="107"/>
        <source>向右移动</source>
        <translation>Move right</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="241"/>
        <source>条带 %1/%2</source>
        <translation>Swath %1 of %2</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="245"/>
        <source>剩余时间: %1</source>
        <translation>Time left: %1</translation>
    </message>
    <message>
        <location filename="../control_bar.cpp" line="247"/>
        <source>剩余时间: 估算中...</source>
        <translation>Time left: estimating...</translation>
    </message>
</context>
<context>
    <name>CMyListView</name>
    <message>
        <location filename="../list_view.cpp" line="20"/>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="20"/>
        <source>幅面</source>
        <translation>Size</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="21"/>
        <source>份数</source>
        <translation>Copies</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="21"/>
        <source>自动开始</source>
        <translation>Auto Start</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="22"/>
        <source>起始位置</source>
        <translation>Start At</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="22"/>
        <source>文件名</source>
        <translation>File Name</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="33"/>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="36"/>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="39"/>
        <source>打印中</source>
        <translation>Printing</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="128"/>
        <source>请输入份数:</source>
        <translation>Enter the number of copies:</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="158"/>
        <source>输入分割段长(mm):</source>
        <translation>Segment length (mm):</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="176"/>
        <source>Y向分页长度(mm):</source>
        <translation>Band width along Y (mm):</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="194"/>
        <source>输入起始位置(mm):</source>
        <translation>Start position (mm):</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="246"/>
        <source>是否清空列表?</source>
        <translation>Clear the job list?</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="246"/>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="257"/>
        <source>修改份数</source>
        <translation>Change copies</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="258"/>
        <source>启动方式</source>
        <translation>Start mode</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="259"/>
        <source>自动</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="260"/>
        <source>手动</source>
        <translation>Manual</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="261"/>
        <source>(X向)进纸方向手动分页</source>
        <translation>Split along X (paper feed)</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="262"/>
        <source>(Y向)纸宽方向手动分页</source>
        <translation>Paginate along Y (paper width)</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="263"/>
        <source>修改起始位置</source>
        <translation>Change start position</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="264"/>
        <source>旋转90度</source>
        <translation>Rotate 90 degrees</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="265"/>
        <source>移至最前</source>
        <translation>Move to front</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="266"/>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <location filename="../list_view.cpp" line="267"/>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
</context>
</TS>
