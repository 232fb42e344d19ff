using System;
using System.Reflection;

// The Widget example program for .NET: prints the copyright it was built
// with, which is where the commit hash goes (Properties\AssemblyInfo.cs).
class Program
{
    static void Main()
    {
        var copyright = (AssemblyCopyrightAttribute)Attribute.GetCustomAttribute(
            typeof(Program).Assembly, typeof(AssemblyCopyrightAttribute));
        Console.WriteLine(copyright.Copyright);
    }
}
