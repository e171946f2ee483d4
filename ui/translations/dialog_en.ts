<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CDlgGetPwd</name>
    <message>
        <source>输入</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>请输入密码:</source>
        <translation>Please enter the password:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>输入的字符请不要多于 %1 个。</source>
        <translation>Please enter no more than %1 characters.</translation>
    </message>
</context>
<context>
    <name>CDlgPara</name>
    <message>
        <source>机器设置</source>
        <translation>Machine Settings</translation>
    </message>
    <message>
        <source>绘图仪IP(重启生效)</source>
        <translation>Plotter IP (takes effect after restart)</translation>
    </message>
    <message>
        <source>启用1#喷头</source>
        <translation>Enable head 1#</translation>
    </message>
    <message>
        <source>启用2#喷头</source>
        <translation>Enable head 2#</translation>
    </message>
    <message>
        <source>线宽(1~20)</source>
        <translation>Line width (1~20)</translation>
    </message>
    <message>
        <source>2#喷头位置(100~250栅格)</source>
        <translation>Head 2# position (100~250 grids)</translation>
    </message>
    <message>
        <source>来回校正(0~40栅格)</source>
        <translation>Bidirectional correction (0~40 grids)</translation>
    </message>
    <message>
        <source>X向1米实际输出(*0.1mm)</source>
        <translation>Actual output of 1 m along X (*0.1mm)</translation>
    </message>
    <message>
        <source>Y向1米实际输出(*0.1mm)</source>
        <translation>Actual output of 1 m along Y (*0.1mm)</translation>
    </message>
    <message>
        <source>1#2#喷头X向重合点数(0~10)</source>
        <translation>Head 1# 2# overlap along X, dots (0~10)</translation>
    </message>
    <message>
        <source>机器实际长度(500~3500mm)</source>
        <translation>Machine length (500~3500mm)</translation>
    </message>
    <message>
        <source>打印起点调整(mm)</source>
        <translation>Print start adjustment (mm)</translation>
    </message>
    <message>
        <source>图形之间走纸向间距(0~250mm)</source>
        <translation>Gap between graphics along the feed (0~250mm)</translation>
    </message>
    <message>
        <source>自动清洗喷头</source>
        <translation>Clean heads automatically</translation>
    </message>
    <message>
        <source>自动分页宽度(纸宽)(mm)</source>
        <translation>Automatic pagination width (paper width) (mm)</translation>
    </message>
    <message>
        <source>宽幅模式(图形超过纸宽时先旋转再分页)</source>
        <translation>Wide mode (rotate, then paginate, a graphic wider than the paper)</translation>
    </message>
    <message>
        <source>自动开始打印</source>
        <translation>Start printing automatically</translation>
    </message>
    <message>
        <source>走纸轴每mm脉冲数(脉冲/mm)</source>
        <translation>Paper-feed pulses per mm (pulses/mm)</translation>
    </message>
    <message>
        <source>小车最大速度(400~999)</source>
        <translation>Carriage maximum speed (400~999)</translation>
    </message>
    <message>
        <source>双向打印</source>
        <translation>Bidirectional printing</translation>
    </message>
    <message>
        <source>喷墨空走距离(50~200mm)</source>
        <translation>Idle travel (50~200mm)</translation>
    </message>
    <message>
        <source>光栅分辨率(0-180 1-150dpi)(重启生效)</source>
        <translation>Raster resolution (0-180 1-150dpi) (takes effect after restart)</translation>
    </message>
    <message>
        <source>小车起始速度(100~250)</source>
        <translation>Carriage start speed (100~250)</translation>
    </message>
    <message>
        <source>1#墨盒在右边</source>
        <translation>Cartridge 1# on the right</translation>
    </message>
    <message>
        <source>控制器地址(网口连接)</source>
        <translation>Controller address (network)</translation>
    </message>
    <message>
        <source>控制器端口(网口连接)</source>
        <translation>Controller port (network)</translation>
    </message>
    <message>
        <source>高级参数</source>
        <translation>Advanced parameters</translation>
    </message>
    <message>
        <source>保存参数</source>
        <translation>Save parameters</translation>
    </message>
    <message>
        <source>恢复参数</source>
        <translation>Restore parameters</translation>
    </message>
    <message>
        <source>数据目录</source>
        <translation>Data directory</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>基本参数</source>
        <translation>Basic parameters</translation>
    </message>
    <message>
        <source>自动绘图</source>
        <translation>Auto plot</translation>
    </message>
    <message>
        <source>密码错误</source>
        <translation>Password Not Correct</translation>
    </message>
    <message>
        <source>请输入一个整数。</source>
        <translation>Please enter an integer.</translation>
    </message>
    <message>
        <source>请输入一个正整数。</source>
        <translation>Please enter a positive integer.</translation>
    </message>
    <message>
        <source>请输入一个 %1 至 %2 之间的整数。</source>
        <translation>Please enter an integer between %1 and %2.</translation>
    </message>
    <message>
        <source>请输入一个数字。</source>
        <translation>Please enter a number.</translation>
    </message>
    <message>
        <source>请输入一个 %1 至 %2 之间的数字。</source>
        <translation>Please enter a number between %1 and %2.</translation>
    </message>
    <message>
        <source>参数文件(*.vxp)</source>
        <translation>Parameter file(*.vxp)</translation>
    </message>
    <message>
        <source>选择绘图文件存放的目录</source>
        <translation>Choose the directory in which plot files are stored</translation>
    </message>
    <message>
        <source>非法的临时文件目录</source>
        <translation>Invalid temporary file directory</translation>
    </message>
    <message>
        <source>当前设置的目录非空，
如果设置成自动绘图目录，
当前目录下的文件将被删除。
是否继续？</source>
        <translation>The directory is not empty.
If it becomes the auto-plot directory,
the files in it will be deleted.
Continue?</translation>
    </message>
    <message>
        <source>警告！！！</source>
        <translation>Warning!!!</translation>
    </message>
</context>
</TS>
